// `vireo config show | get NAME | set NAME VALUE`: the global settings, driven by the catalog.

#include <charconv>
#include <variant>

#include "app/config_command_parts.h"
#include "settings/settings_catalog.h"

namespace vireo::config_command {

namespace {

template <class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};

struct CurrentValue {
    std::string text;
    bool is_default;
};

std::string FormatList(const AddressList& list)
{
    std::string text;
    for (const Ipv4Address& address : list) {
        if (!text.empty()) text += ", ";
        text += FormatAddress(address);
    }
    return text;
}

CurrentValue ReadCurrent(const SettingEntry& entry)
{
    return std::visit(Overloaded{
                          [](const NumberSetting& s) {
                              std::uint32_t value = Read(s);
                              return CurrentValue{std::to_string(value), value == s.fallback};
                          },
                          [](const FlagSetting& s) {
                              bool value = Read(s);
                              return CurrentValue{value ? "1" : "0", value == s.fallback};
                          },
                          [](const TextSetting& s) {
                              std::string value = Read(s).value_or(std::string(s.fallback));
                              bool is_default = value == s.fallback;
                              return CurrentValue{std::move(value), is_default};
                          },
                          [](const AddressSetting& s) {
                              Ipv4Address value = Read(s);
                              return CurrentValue{FormatAddress(value), value == Ipv4Address{}};
                          },
                          [](const AddressListSetting& s) {
                              AddressList value = Read(s);
                              return CurrentValue{FormatList(value), value.empty()};
                          },
                      },
                      entry);
}

std::optional<std::uint32_t> ParseNumber(std::string_view text)
{
    std::uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// Addresses separated by commas, blanks allowed around them; a blank text is the empty list.
std::optional<AddressList> ParseList(std::string_view text)
{
    AddressList list;
    if (TrimBlanks(text).empty()) return list;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        Ipv4Address address{};
        if (!ParseAddress(std::string(TrimBlanks(text.substr(start, end - start))), address))
            return std::nullopt;
        list.push_back(address);
        start = end + 1;
    }
    return list;
}

// Stores the value typed for a setting after checking it; the result is the exit code.
int Store(const SettingEntry& entry, const std::string& value, std::ostream& err)
{
    const std::string name(SettingName(entry));
    return std::visit(
        Overloaded{
            [&](const NumberSetting& s) {
                std::optional<std::uint32_t> number = ParseNumber(value);
                if (!number || *number < s.min || *number > s.max) {
                    return BadInput(err, name + " must be a number from " + std::to_string(s.min) + " to " +
                                             std::to_string(s.max));
                }
                return Write(s, *number) ? kSuccess : StoreFailure(err);
            },
            [&](const FlagSetting& s) {
                if (value != "0" && value != "1") return BadInput(err, name + " must be 0 or 1");
                return Write(s, value == "1") ? kSuccess : StoreFailure(err);
            },
            [&](const TextSetting& s) {
                if (value.size() > s.MaxBytes()) {
                    return BadInput(err, name + " takes at most " + std::to_string(s.MaxBytes()) + " bytes");
                }
                return Write(s, value) ? kSuccess : StoreFailure(err);
            },
            [&](const AddressSetting& s) {
                Ipv4Address address{};
                if (!ParseAddress(value, address)) {
                    return BadInput(err, name + " must be an IPv4 address such as 192.168.1.10");
                }
                return Write(s, address) ? kSuccess : StoreFailure(err);
            },
            [&](const AddressListSetting& s) {
                std::optional<AddressList> list = ParseList(value);
                if (!list) {
                    return BadInput(err, name +
                                             " must be IPv4 addresses separated by commas, such as "
                                             "10.0.0.255, 192.168.1.10");
                }
                return Write(s, *list) ? kSuccess : StoreFailure(err);
            },
        },
        entry);
}

const SettingEntry* Lookup(const std::string& name, std::ostream& err)
{
    const SettingEntry* entry = FindSetting(name);
    if (!entry) BadInput(err, "no setting named \"" + name + "\" (vireo config show lists them)");
    return entry;
}

}  // namespace

int RunShow(Words args, std::ostream& out, std::ostream& err)
{
    if (!args.empty()) return BadInput(err, "show takes no arguments");
    for (const SettingEntry& entry : SettingsCatalog()) {
        CurrentValue current = ReadCurrent(entry);
        const bool is_text = std::holds_alternative<TextSetting>(entry);
        out << SettingName(entry) << " = " << (is_text ? QuoteText(current.text) : current.text)
            << (current.is_default ? " (default)" : "") << "\n";
    }
    return kSuccess;
}

int RunGet(Words args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 1) return BadInput(err, "get takes one setting name");
    const SettingEntry* entry = Lookup(args[0], err);
    if (!entry) return kBadInput;
    out << ReadCurrent(*entry).text << "\n";
    return kSuccess;
}

int RunSet(Words args, std::ostream& err)
{
    if (args.size() != 2) return BadInput(err, "set takes a setting name and a value");
    const SettingEntry* entry = Lookup(args[0], err);
    if (!entry) return kBadInput;
    return Store(*entry, args[1], err);
}

}  // namespace vireo::config_command
