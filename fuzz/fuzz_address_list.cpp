// The address lists as another program may have stored them: any bytes, of any value type, as
// "IPFilterList" and "AutoBlockList" in a private store; then GetIpFilterList, IsAddressBlocked,
// and AddToAutoBlockList / RemoveFromAutoBlockList on the stored value, each checked against the
// packed four-byte entries the bytes hold.
//
// Input: byte 0 chooses the settings, bytes 1-4 are the visitor's address, the rest is stored.
//   byte 0, bits 0-1  "IPFilterType": 0 off, 1 allowed only, 2 forbidden (3 reads as off)
//           bit 2     "UseAutoBlockList"
//           bits 3-4  the stored type: 0 and 1 binary, 2 string, 3 number
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "platform/registry.h"
#include "settings/address_list.h"
#include "settings/settings.h"
#include "settings/settings_catalog.h"
#include "settings/store_values.h"
#include "site/access_control.h"

namespace vireo::fuzz {
namespace {

constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;

// The whole four-byte entries of a binary value; nothing of another type.
AddressList Entries(ValueType type, std::span<const std::uint8_t> bytes)
{
    AddressList list;
    if (type != ValueType::Binary) return list;
    for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4) {
        list.push_back({bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]});
    }
    return list;
}

bool Contains(const AddressList& list, const Ipv4Address& address)
{
    return std::ranges::find(list, address) != list.end();
}

void Store(std::string_view name, ValueType type, std::span<const std::uint8_t> bytes)
{
    const ValueWrite value{name, type, bytes};
    if (!WriteValues(kUser, store::kSettingsKey, std::span(&value, 1))) std::abort();
}

// The settings change only when the input asks for others, which saves two writes a run.
void UseSettings(std::uint32_t filter_type, bool use_auto_block)
{
    static std::optional<std::pair<std::uint32_t, bool>> current;
    if (current == std::pair{filter_type, use_auto_block}) return;
    if (!SetIpFilterType(filter_type) || !SetUseAutoBlockList(use_auto_block)) std::abort();
    current = std::pair{filter_type, use_auto_block};
}

}  // namespace
}  // namespace vireo::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vireo::fuzz::PrivateHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo;
    using namespace vireo::fuzz;
    if (size < 5) return -1;
    const std::uint32_t filter_type = data[0] & 3;
    const bool use_auto_block = (data[0] & 4) != 0;
    constexpr ValueType kTypes[] = {ValueType::Binary, ValueType::Binary, ValueType::String,
                                    ValueType::Dword};
    const ValueType type = kTypes[(data[0] >> 3) & 3];
    const Ipv4Address address{data[1], data[2], data[3], data[4]};
    const std::span<const std::uint8_t> stored(data + 5, size - 5);

    UseSettings(filter_type, use_auto_block);
    Store(setting::kIpFilterList.name, type, stored);
    Store(setting::kAutoBlockList.name, type, stored);
    const AddressList entries = Entries(type, stored);

    // Reading: the whole entries, in order; a value of another type is no list.
    Require(GetIpFilterList() == entries && GetAutoBlockList() == entries);
    Require(IsInAutoBlockList(address) == Contains(entries, address));

    // The filter: an entry matches where each octet is 255 or equal; a list without entries
    // refuses nobody.
    const bool listed = std::ranges::any_of(entries, [&](const Ipv4Address& entry) {
        for (std::size_t i = 0; i < 4; ++i) {
            if (entry[i] != 255 && entry[i] != address[i]) return false;
        }
        return true;
    });
    const IpFilterType mode = GetIpFilterType();
    const bool refused_by_filter = !entries.empty() && ((mode == IpFilterType::AllowedOnly && !listed) ||
                                                        (mode == IpFilterType::Forbidden && listed));
    Require(IsAddressBlocked(address) ==
            (refused_by_filter || (use_auto_block && Contains(entries, address))));

    // Appending keeps a value that holds the address byte for byte; otherwise the whole entries
    // and the address follow one another.
    Require(AddToAutoBlockList(address));
    const AddressList appended = GetAutoBlockList();
    if (Contains(entries, address)) {
        const std::optional<BinaryValue> kept =
            ReadBinaryValue(kUser, store::kSettingsKey, setting::kAutoBlockList.name);
        Require(kept && kept->size() == stored.size() && std::ranges::equal(kept->bytes(), stored));
    } else {
        AddressList expected = entries;
        expected.push_back(address);
        Require(appended == expected);
    }

    // Removing takes out every equal entry; a list left empty is no value at all.
    Require(RemoveFromAutoBlockList(address) == EntryRemoval::Removed);
    AddressList rest = appended;
    std::erase(rest, address);
    Require(GetAutoBlockList() == rest && !IsInAutoBlockList(address));
    Require(ValueExists(kUser, store::kSettingsKey, setting::kAutoBlockList.name) == !rest.empty());
    return 0;
}
