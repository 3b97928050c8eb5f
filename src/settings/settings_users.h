#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vireo {

// The user accounts for Basic authentication: one value per user in
// "Software\QUILLMARK\Vireo\Passwords\Users", named by the user name (letter case does not
// matter), holding the password (letter case matters).
struct UserAccount {
    std::string name;
    std::string password;
};

// Longest user name and password the store reads back, in bytes.
inline constexpr std::size_t kMaxUserNameLength = 254;
inline constexpr std::size_t kMaxPasswordLength = 254;

// The index-th account in name order; nothing past the end. A password that cannot be read back
// (too long, not a text) shows as empty, and such an account never authenticates.
std::optional<UserAccount> EnumUser(int index);
bool UserExists(std::string_view user);
// Creates the account or changes its password; false for an empty name.
bool SetUserPassword(std::string_view user, std::string_view password);
bool DeleteUser(std::string_view user);
bool DeleteAllUsers();
// Makes the accounts exactly these, in one transaction: a failure keeps the old accounts.
bool ReplaceUsers(std::span<const UserAccount> users);
// True when the account exists and its password equals the given one byte for byte; the
// comparison takes the same time wherever the two differ.
bool CheckUserPassword(std::string_view user, std::string_view password);

}  // namespace vireo
