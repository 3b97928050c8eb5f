#pragma once

// The limits on a dynamic file that `vireo config file` and the file's property dialog both apply.

#include <optional>
#include <string>
#include <string_view>

namespace vireo {

// A display name is the first element of its URL, which resolves only up to this length in bytes.
inline constexpr std::size_t kMaxDisplayNameLength = 48;
// The record's path and pattern fields hold this many bytes at most.
inline constexpr std::size_t kMaxDynamicFileText = 259;
// What the property dialog lets the user type into the search pattern, in characters.
inline constexpr std::size_t kMaxPatternLength = 130;

// Why a display name would not work as the first element of a URL, as a sentence fragment for the
// user; nothing when it would.
std::optional<std::string> CheckDisplayName(std::string_view name);

}  // namespace vireo
