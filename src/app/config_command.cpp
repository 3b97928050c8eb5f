#include "app/config_command.h"

#include <filesystem>

#include "app/config_command_parts.h"
#include "base/text_helpers.h"
#include "platform/registry.h"

namespace vireo {

namespace config_command {

int BadInput(std::ostream& err, std::string_view message)
{
    err << "vireo config: " << message << "\n";
    return kBadInput;
}

int StoreFailure(std::ostream& err)
{
    std::optional<std::filesystem::path> store = RegistryDatabasePath(RegistryRoot::CurrentUser);
    err << "vireo config: cannot write the settings store"
        << (store ? " " + store->string() : std::string(" (no home folder)")) << "\n";
    return kStoreFailure;
}

std::string QuoteText(std::string_view text)
{
    std::string quoted = "\"";
    for (char c : text) {
        switch (c) {
            case '"':
                quoted += "\\\"";
                break;
            case '\\':
                quoted += "\\\\";
                break;
            case '\n':
                quoted += "\\n";
                break;
            case '\r':
                quoted += "\\r";
                break;
            case '\t':
                quoted += "\\t";
                break;
            default:
                quoted += c;
                break;
        }
    }
    return quoted + "\"";
}

std::optional<std::string> StoredDirectoryPath(const std::string& typed)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(typed, error);
    if (error || !std::filesystem::is_directory(absolute, error)) return std::nullopt;
    std::string path = absolute.lexically_normal().string();
    NormalizePath(path);
    return path;
}

}  // namespace config_command

namespace {

void PrintUsage(std::ostream& out)
{
    out << "Usage: vireo config COMMAND\n"
           "  show                     every setting and its value; \"(default)\" marks default values\n"
           "  get NAME                 one setting's value\n"
           "  set NAME VALUE           changes a setting: numbers in decimal, switches as 0 or 1,\n"
           "                           addresses as 192.168.1.10, address lists separated by commas\n"
           "  folder add NAME PATH [--desc TEXT] [--subfolders] [--post] [--hidden] [--zip]\n"
           "                           shares the directory PATH under the URL name NAME\n"
           "  folder list              the shared folders: name, path, permissions, description\n"
           "  folder remove NAME       stops sharing a folder\n"
           "  user add NAME PASSWORD   adds a user account, or changes its password\n"
           "  user remove NAME         removes a user account\n"
           "  user list                the user names\n"
           "  file add PATH [--name NAME] [--realtime] [--newest PATTERN]\n"
           "                           publishes the file PATH as /NAME (default: its own name,\n"
           "                           numbered when taken) and prints the name; --realtime streams\n"
           "                           what is appended to it, --newest serves the newest file of\n"
           "                           its folder that matches PATTERN (\"\": the same extension)\n"
           "  file list                the dynamic files: name, path, flags, pattern\n"
           "  file remove NAME         stops publishing a dynamic file\n"
           "  ipfilter mode [off|allow|deny]\n"
           "                           shows or sets how the IP filter list is used: not at all,\n"
           "                           as the only addresses allowed, or as addresses refused\n"
           "  ipfilter add ADDRESS     adds an address to the IP filter list; an octet of 255\n"
           "                           matches any number (192.168.255.255)\n"
           "  ipfilter remove ADDRESS  removes an address from the IP filter list\n"
           "  ipfilter list            the IP filter list\n"
           "  autoblock list           the addresses blocked for hostile requests\n"
           "  autoblock add ADDRESS    blocks an address\n"
           "  autoblock remove ADDRESS unblocks an address\n"
           "  autoblock clear          empties the auto-block list\n"
           "  extension show           the extension folder and whether extensions are on\n"
           "  extension folder PATH    keeps site programs in the directory PATH, answering\n"
           "                           requests below /Extension/\n"
           "  extension enable 0|1     switches extensions off or on (on needs the folder)\n"
           "  community member add ID  as a community host: creates a member ID to hand out\n"
           "  community member remove ID\n"
           "  community member list    the members: ID, name, page, last login, description\n"
           "  community host add ID LOGIN-URL [--name TEXT] [--page PAGE] [--icon FILE] [--desc TEXT]\n"
           "                           as a member: logs in to the community at LOGIN-URL with the\n"
           "                           member ID; --page names the page shown (\"\": the home page,\n"
           "                           \"FOLDER/\", \"Webchat/\", \"WebCommunity/\" or a dynamic file),\n"
           "                           --icon a dynamic file that is a picture\n"
           "  community host remove ID\n"
           "  community host list      one line per community: ID, login URL, host name, host page,\n"
           "                           host description (or why the login failed), last login\n"
           "  The community switches and the host's own texts are settings: AsWebCommHost,\n"
           "  AsWebCommMember, WebCommNameAsHost, WebCommDescAsHost (vireo config set).\n"
           "Names of settings, folders, users and files are matched without regard to letter\n"
           "case; quote names that hold a space (\"Use Passwords\"). A running server sees every\n"
           "change at its next request.\n";
}

}  // namespace

int RunConfigCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    using namespace config_command;
    if (args.empty() || args[0] == "help" || args[0] == "--help") {
        PrintUsage(out);
        return kSuccess;
    }
    const std::string& command = args[0];
    const Words rest = Words(args).subspan(1);
    if (command == "show") return RunShow(rest, out, err);
    if (command == "get") return RunGet(rest, out, err);
    if (command == "set") return RunSet(rest, err);
    if (command == "folder") return RunFolder(rest, out, err);
    if (command == "user") return RunUser(rest, out, err);
    if (command == "file") return RunFile(rest, out, err);
    if (command == "ipfilter") return RunIpFilter(rest, out, err);
    if (command == "autoblock") return RunAutoBlock(rest, out, err);
    if (command == "extension") return RunExtension(rest, out, err);
    if (command == "community") return RunCommunity(rest, out, err);
    return BadInput(err, "unknown command \"" + command + "\" (see vireo config help)");
}

}  // namespace vireo
