// `vireo config ipfilter ...` and `vireo config autoblock ...`: the address lists that decide which
// computers may connect.

#include <algorithm>
#include <array>

#include "app/config_command_parts.h"
#include "settings/settings.h"

namespace vireo::config_command {

namespace {

struct ModeName {
    std::string_view word;
    IpFilterType mode;
};

constexpr std::array<ModeName, 3> kModes = {{
    {"off", IpFilterType::Off},
    {"allow", IpFilterType::AllowedOnly},
    {"deny", IpFilterType::Forbidden},
}};

// Both lists as the commands name them.
struct ListAccess {
    std::string_view title;  // for messages: "the IP filter list"
    AddressList (*get)();
    EntryRemoval (*remove)(const Ipv4Address&);
};

constexpr ListAccess kFilterList{"the IP filter list", GetIpFilterList, RemoveFromIpFilterList};
constexpr ListAccess kBlockList{"the auto-block list", GetAutoBlockList, RemoveFromAutoBlockList};

// The address typed on the command line, or the exit code of a malformed one.
std::optional<Ipv4Address> ReadAddress(const std::string& text, std::ostream& err)
{
    Ipv4Address address{};
    if (ParseAddress(text, address)) return address;
    BadInput(err, "\"" + text + "\" is not an IPv4 address such as 192.168.1.10 (255 matches any number)");
    return std::nullopt;
}

int PrintMode(std::ostream& out)
{
    const IpFilterType mode = GetIpFilterType();
    auto named = std::ranges::find(kModes, mode, &ModeName::mode);
    out << named->word << "\n";
    return kSuccess;
}

int SetMode(const std::string& word, std::ostream& err)
{
    auto named = std::ranges::find(kModes, word, &ModeName::word);
    if (named == kModes.end()) return BadInput(err, "ipfilter mode takes off, allow or deny");
    return SetIpFilterType(static_cast<std::uint32_t>(named->mode)) ? kSuccess : StoreFailure(err);
}

int PrintList(const ListAccess& list, std::ostream& out)
{
    for (const Ipv4Address& address : list.get()) out << FormatAddress(address) << "\n";
    return kSuccess;
}

int Add(bool (*add)(const Ipv4Address&), const std::string& text, std::ostream& err)
{
    std::optional<Ipv4Address> address = ReadAddress(text, err);
    if (!address) return kBadInput;
    return add(*address) ? kSuccess : StoreFailure(err);
}

int Remove(const ListAccess& list, const std::string& text, std::ostream& err)
{
    std::optional<Ipv4Address> address = ReadAddress(text, err);
    if (!address) return kBadInput;
    switch (list.remove(*address)) {
        case EntryRemoval::Removed:
            return kSuccess;
        case EntryRemoval::Absent:
            return BadInput(err, FormatAddress(*address) + " is not in " + std::string(list.title));
        case EntryRemoval::Failed:
            break;
    }
    return StoreFailure(err);
}

}  // namespace

int RunIpFilter(Words args, std::ostream& out, std::ostream& err)
{
    const std::string action = args.empty() ? "" : args[0];
    if (action == "mode" && args.size() == 1) return PrintMode(out);
    if (action == "mode" && args.size() == 2) return SetMode(args[1], err);
    if (action == "add" && args.size() == 2) return Add(AddToIpFilterList, args[1], err);
    if (action == "remove" && args.size() == 2) return Remove(kFilterList, args[1], err);
    if (action == "list" && args.size() == 1) return PrintList(kFilterList, out);
    if (action == "mode") return BadInput(err, "ipfilter mode takes off, allow or deny");
    if (action == "add" || action == "remove")
        return BadInput(err, "ipfilter " + action + " takes one address");
    if (action == "list") return BadInput(err, "ipfilter list takes no arguments");
    return BadInput(err, "ipfilter takes mode, add, remove or list");
}

int RunAutoBlock(Words args, std::ostream& out, std::ostream& err)
{
    const std::string action = args.empty() ? "" : args[0];
    if (action == "list" && args.size() == 1) return PrintList(kBlockList, out);
    if (action == "add" && args.size() == 2) return Add(AddToAutoBlockList, args[1], err);
    if (action == "remove" && args.size() == 2) return Remove(kBlockList, args[1], err);
    if (action == "clear" && args.size() == 1) return SetAutoBlockList({}) ? kSuccess : StoreFailure(err);
    if (action == "add" || action == "remove")
        return BadInput(err, "autoblock " + action + " takes one address");
    if (action == "list" || action == "clear")
        return BadInput(err, "autoblock " + action + " takes no arguments");
    return BadInput(err, "autoblock takes list, add, remove or clear");
}

}  // namespace vireo::config_command
