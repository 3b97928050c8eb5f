#pragma once

// What a password account must look like before it is stored, for the Users & Passwords dialog and
// `vireo config user add` alike.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vireo {

// Lengths in characters (not bytes) of an account's trimmed name and password.
inline constexpr std::size_t kMinUserNameChars = 3;
inline constexpr std::size_t kMaxUserNameChars = 250;
inline constexpr std::size_t kMinPasswordChars = 6;
inline constexpr std::size_t kMaxPasswordChars = 250;

// Checks a user name and password as they will be stored (already trimmed, UTF-8): the name of 3 to
// 250 characters without ":", the password of 6 to 250 characters, and each short enough in bytes
// for the store to read back. Nothing when the account is acceptable, otherwise why it is not, as a
// sentence fragment for the user.
std::optional<std::string> CheckAccount(std::string_view name, std::string_view password);

}  // namespace vireo
