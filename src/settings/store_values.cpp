#include "settings/store_values.h"

#include "platform/registry.h"

namespace vireo::store {

bool ReadFlag(std::string_view key, std::string_view name, bool fallback)
{
    std::optional<std::uint32_t> value = ReadNumber(key, name);
    return value ? *value != 0 : fallback;
}

bool WriteFlag(std::string_view key, std::string_view name, bool value)
{
    return WriteNumber(key, name, value ? 1 : 0);
}

std::optional<std::uint32_t> ReadNumber(std::string_view key, std::string_view name)
{
    return ReadDwordValue(RegistryRoot::CurrentUser, key, name);
}

bool WriteNumber(std::string_view key, std::string_view name, std::uint32_t value)
{
    return WriteDwordValue(RegistryRoot::CurrentUser, key, name, value);
}

std::optional<std::string> ReadText(std::string_view key, std::string_view name, std::size_t capacity)
{
    return ReadStringValue(RegistryRoot::CurrentUser, key, name, capacity);
}

bool WriteText(std::string_view key, std::string_view name, std::string_view text)
{
    return WriteStringValue(RegistryRoot::CurrentUser, key, name, text);
}

}  // namespace vireo::store
