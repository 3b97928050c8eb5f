// `vireo config user add | remove | list`: the accounts for password protection.

#include "app/config_command_parts.h"
#include "base/text_helpers.h"
#include "settings/account_rules.h"
#include "settings/settings_users.h"

namespace vireo::config_command {

namespace {

int Add(const std::string& typed_name, const std::string& typed_password, std::ostream& err)
{
    // Trimmed as the Users & Passwords dialog trims what is typed, so both store the same account.
    const std::string name = Trimmed(typed_name);
    const std::string password = Trimmed(typed_password);
    if (std::optional<std::string> problem = CheckAccount(name, password)) return BadInput(err, *problem);
    return SetUserPassword(name, password) ? kSuccess : StoreFailure(err);
}

int Remove(const std::string& name, std::ostream& err)
{
    if (!UserExists(name)) return BadInput(err, "no user named \"" + name + "\"");
    return DeleteUser(name) ? kSuccess : StoreFailure(err);
}

int List(std::ostream& out)
{
    for (int index = 0;; ++index) {
        std::optional<UserAccount> user = EnumUser(index);
        if (!user) return kSuccess;
        out << user->name << "\n";
    }
}

}  // namespace

int RunUser(Words args, std::ostream& out, std::ostream& err)
{
    const std::string action = args.empty() ? "" : args[0];
    if (action == "add" && args.size() == 3) return Add(args[1], args[2], err);
    if (action == "remove" && args.size() == 2) return Remove(args[1], err);
    if (action == "list" && args.size() == 1) return List(out);
    if (action == "add") return BadInput(err, "user add takes a NAME and a PASSWORD");
    if (action == "remove") return BadInput(err, "user remove takes one user name");
    if (action == "list") return BadInput(err, "user list takes no arguments");
    return BadInput(err, "user takes add, remove or list");
}

}  // namespace vireo::config_command
