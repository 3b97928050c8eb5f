#pragma once

// Typed access to the current user's store for the settings modules: keys, and values read with
// the defaults a flag or number falls back to.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vireo::store {

inline constexpr std::string_view kSettingsKey = "Software\\QUILLMARK\\Vireo\\Settings";
inline constexpr std::string_view kFoldersKey = "Software\\QUILLMARK\\Vireo\\Folders";
inline constexpr std::string_view kUsersKey = "Software\\QUILLMARK\\Vireo\\Passwords\\Users";

// A flag is true for any nonzero number and stored as 0 or 1.
bool ReadFlag(std::string_view key, std::string_view name, bool fallback);
bool WriteFlag(std::string_view key, std::string_view name, bool value);

std::optional<std::uint32_t> ReadNumber(std::string_view key, std::string_view name);
bool WriteNumber(std::string_view key, std::string_view name, std::uint32_t value);

std::optional<std::string> ReadText(std::string_view key, std::string_view name, std::size_t capacity);
bool WriteText(std::string_view key, std::string_view name, std::string_view text);

}  // namespace vireo::store
