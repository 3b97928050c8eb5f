#include "settings/address_list.h"

#include <algorithm>
#include <cstring>

#include "platform/registry.h"
#include "settings/settings_catalog.h"
#include "settings/store_values.h"

namespace vireo {

namespace {

static_assert(sizeof(Ipv4Address) == 4, "address lists are stored as packed 4-byte entries");

constexpr std::string_view kIpFilterList = setting::kIpFilterList.name;
constexpr std::string_view kAutoBlockList = setting::kAutoBlockList.name;

bool Append(std::string_view name, const Ipv4Address& address)
{
    return AppendUniqueEntry(RegistryRoot::CurrentUser, store::kSettingsKey, name, address);
}

}  // namespace

AddressList Read(const AddressListSetting& setting)
{
    const std::string_view name = setting.name;
    std::optional<BinaryValue> value = ReadBinaryValue(RegistryRoot::CurrentUser, store::kSettingsKey, name);
    if (!value) return {};
    AddressList list(value->size() / sizeof(Ipv4Address));
    if (!list.empty()) std::memcpy(list.data(), value->data(), list.size() * sizeof(Ipv4Address));
    return list;
}

bool Write(const AddressListSetting& setting, std::span<const Ipv4Address> list)
{
    const std::string_view name = setting.name;
    if (list.empty()) {
        // Deleting a value that is not there leaves the same empty list behind.
        return DeleteValue(RegistryRoot::CurrentUser, store::kSettingsKey, name) ||
               !ReadBinaryValue(RegistryRoot::CurrentUser, store::kSettingsKey, name);
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(list.data());
    return WriteBinaryValue(RegistryRoot::CurrentUser, store::kSettingsKey, name,
                            {bytes, list.size() * sizeof(Ipv4Address)});
}

AddressList GetIpFilterList()
{
    return Read(setting::kIpFilterList);
}
AddressList GetAutoBlockList()
{
    return Read(setting::kAutoBlockList);
}
bool SetIpFilterList(std::span<const Ipv4Address> list)
{
    return Write(setting::kIpFilterList, list);
}
bool SetAutoBlockList(std::span<const Ipv4Address> list)
{
    return Write(setting::kAutoBlockList, list);
}
bool SetIpFilter(std::span<const Ipv4Address> list, std::uint32_t type)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(list.data());
    const NumberSetting& kind = setting::kIpFilterType;
    RegistryEdit edit;
    if (list.empty()) {
        edit.RemoveValue(store::kSettingsKey, kIpFilterList);
    } else {
        edit.Write(store::kSettingsKey, kIpFilterList, ValueType::Binary,
                   {bytes, list.size() * sizeof(Ipv4Address)});
    }
    edit.WriteDword(store::kSettingsKey, kind.name, type > kind.max ? kind.fallback : type);
    return edit.Commit(RegistryRoot::CurrentUser);
}

bool RemoveAllFromAutoBlockList(std::span<const Ipv4Address> addresses)
{
    const UpdateOutcome outcome = UpdateBinaryValue(
        RegistryRoot::CurrentUser, store::kSettingsKey, kAutoBlockList,
        [addresses](std::optional<std::span<const std::uint8_t>> stored) {
            BinaryUpdate update;
            if (!stored) return update;
            const std::size_t whole = stored->size() / sizeof(Ipv4Address) * sizeof(Ipv4Address);
            for (std::size_t at = 0; at < whole; at += sizeof(Ipv4Address)) {
                Ipv4Address entry;
                std::memcpy(entry.data(), stored->data() + at, sizeof(Ipv4Address));
                if (std::ranges::find(addresses, entry) == addresses.end())
                    update.bytes.insert(update.bytes.end(), entry.begin(), entry.end());
            }
            if (update.bytes.size() != stored->size()) update.action = BinaryUpdate::Action::Store;
            return update;
        });
    return outcome != UpdateOutcome::Failed;
}

bool AddToIpFilterList(const Ipv4Address& address)
{
    return Append(kIpFilterList, address);
}
bool AddToAutoBlockList(const Ipv4Address& address)
{
    return Append(kAutoBlockList, address);
}
EntryRemoval RemoveFromIpFilterList(const Ipv4Address& address)
{
    return RemoveEntry(RegistryRoot::CurrentUser, store::kSettingsKey, kIpFilterList, address);
}
EntryRemoval RemoveFromAutoBlockList(const Ipv4Address& address)
{
    return RemoveEntry(RegistryRoot::CurrentUser, store::kSettingsKey, kAutoBlockList, address);
}

bool IsInAutoBlockList(const Ipv4Address& address)
{
    const AddressList list = GetAutoBlockList();
    return std::ranges::find(list, address) != list.end();
}

}  // namespace vireo
