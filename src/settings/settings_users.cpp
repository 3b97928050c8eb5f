#include "settings/settings_users.h"

#include "base/text_helpers.h"
#include "platform/registry.h"
#include "settings/store_values.h"

namespace vireo {

namespace {

constexpr std::size_t kUserNameCapacity = kMaxUserNameLength + 1;
constexpr std::size_t kPasswordCapacity = kMaxPasswordLength + 1;

std::optional<std::string> ReadPassword(std::string_view user)
{
    return ReadStringValue(RegistryRoot::CurrentUser, store::kUsersKey, user, kPasswordCapacity);
}

}  // namespace

std::optional<UserAccount> EnumUser(int index)
{
    std::optional<std::string> name =
        EnumValueName(RegistryRoot::CurrentUser, store::kUsersKey, index, kUserNameCapacity);
    if (!name) return std::nullopt;
    std::string password = ReadPassword(*name).value_or("");
    return UserAccount{std::move(*name), std::move(password)};
}

bool UserExists(std::string_view user)
{
    return ValueExists(RegistryRoot::CurrentUser, store::kUsersKey, user);
}

bool SetUserPassword(std::string_view user, std::string_view password)
{
    if (user.empty()) return false;
    return WriteStringValue(RegistryRoot::CurrentUser, store::kUsersKey, user, password);
}

bool DeleteUser(std::string_view user)
{
    return DeleteValue(RegistryRoot::CurrentUser, store::kUsersKey, user);
}

bool DeleteAllUsers()
{
    return DeleteKeyTree(RegistryRoot::CurrentUser, store::kUsersKey);
}

bool ReplaceUsers(std::span<const UserAccount> users)
{
    RegistryEdit edit;
    edit.RemoveTree(store::kUsersKey);
    for (const UserAccount& user : users) {
        if (user.name.empty()) return false;
        edit.WriteString(store::kUsersKey, user.name, user.password);
    }
    return edit.Commit(RegistryRoot::CurrentUser);
}

bool CheckUserPassword(std::string_view user, std::string_view password)
{
    std::optional<std::string> stored = ReadPassword(user);
    return stored && ConstantTimeEquals(*stored, password);
}

}  // namespace vireo
