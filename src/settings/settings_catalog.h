#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "base/ipv4.h"
#include "settings/address_list.h"

namespace vireo {

// Every value of the global settings table with its accessors, for the tools that show and edit
// them by name. The getters and setters are the ones of settings.h.

struct NumberSetting {
    std::uint32_t (*get)();
    bool (*set)(std::uint32_t);
    std::uint32_t fallback;
    std::uint32_t min;  // the range a user may set
    std::uint32_t max;
};

struct FlagSetting {
    bool (*get)();
    bool (*set)(bool);
    bool fallback;
};

struct TextSetting {
    std::optional<std::string> (*get)();
    bool (*set)(std::string_view);
    std::string_view fallback;  // what reads when nothing is stored ("" when the value is optional)
    std::size_t max_bytes;      // the longest text that reads back
};

struct AddressSetting {
    Ipv4Address (*get)();
    bool (*set)(const Ipv4Address&);
};

struct AddressListSetting {
    AddressList (*get)();
    bool (*set)(std::span<const Ipv4Address>);
};

struct SettingEntry {
    std::string_view name;  // the value's name in the store
    std::variant<NumberSetting, FlagSetting, TextSetting, AddressSetting, AddressListSetting> access;
};

// The settings in the order the settings table lists them.
std::span<const SettingEntry> SettingsCatalog();
// The entry whose name equals name without regard to letter case.
const SettingEntry* FindSetting(std::string_view name);

}  // namespace vireo
