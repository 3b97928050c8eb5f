// `vireo config community member ... | host ...`: the web community's records. The host keeps its
// members, the member keeps the communities it logs in to.

#include <expected>
#include <vector>

#include "app/config_command_parts.h"
#include "base/ascii_case.h"
#include "base/text_helpers.h"
#include "community/web_community/community_store.h"
#include "platform/content_types.h"
#include "settings/dynamic_files.h"
#include "settings/settings_folders.h"
#include "site/resolve_url.h"

namespace vireo::config_command {

namespace {

// The shortest IDs and login address the dialogs accept.
constexpr std::size_t kMinMemberIdLength = 3;
constexpr std::size_t kMinHostIdLength = 2;
constexpr std::size_t kMinLoginUrlLength = 12;

// A field of a list line: the text with its control bytes escaped, since much of it comes from
// other machines and a TAB in it would break the columns.
std::string Field(std::string_view text)
{
    return EscapeControlBytes(text, KeptControls::None);
}

std::string LoginTime(const RecordTime& time)
{
    return time.IsZero() ? std::string() : FormatRecordTime(time);
}

std::optional<std::string> CheckId(const std::string& id, std::size_t min_length)
{
    if (id.size() < min_length || id.size() > kMaxCommunityIdLength) {
        return "a member ID has " + std::to_string(min_length) + " to " +
               std::to_string(kMaxCommunityIdLength) + " bytes";
    }
    return std::nullopt;
}

int AddMember(const std::string& typed, std::ostream& err)
{
    const std::string id = Trimmed(typed);
    if (std::optional<std::string> problem = CheckId(id, kMinMemberIdLength)) return BadInput(err, *problem);
    if (FindMember(id)) return BadInput(err, "a member \"" + id + "\" exists already");
    CommunityMember member;
    member.id = id;
    return WriteMember(member) ? kSuccess : StoreFailure(err);
}

int ListMembers(std::ostream& out)
{
    for (const CommunityMember& member : vireo::ListMembers()) {
        out << Field(member.id) << '\t' << Field(member.name) << '\t' << Field(member.page) << '\t'
            << LoginTime(member.last_login) << '\t' << Field(member.description) << "\n";
    }
    return kSuccess;
}

int RunMember(Words args, std::ostream& out, std::ostream& err)
{
    const std::string action = args.empty() ? "" : args[0];
    if (action == "add" && args.size() == 2) return AddMember(args[1], err);
    if (action == "remove" && args.size() == 2) {
        if (!FindMember(args[1])) return BadInput(err, "no member \"" + args[1] + "\"");
        return DeleteMember(args[1]) ? kSuccess : StoreFailure(err);
    }
    if (action == "list" && args.size() == 1) return ListMembers(out);
    return BadInput(err, "community member takes add ID, remove ID or list");
}

// Why `page` is none of the pages a member may name: the root (""), a shared folder, the chat
// room or the community page (each followed by "/"), or a dynamic file.
std::optional<std::string> CheckPage(const std::string& page)
{
    if (page.empty() || GetDynamicFile(page)) return std::nullopt;
    if (page.ends_with('/')) {
        const std::string_view folder = std::string_view(page).substr(0, page.size() - 1);
        if (EqualsIgnoreCase(folder, kWebchatName) || EqualsIgnoreCase(folder, kWebCommunityName) ||
            FolderExists(folder)) {
            return std::nullopt;
        }
    }
    return "--page takes \"\", a shared folder's name and \"/\", \"Webchat/\", \"WebCommunity/\" or a "
           "dynamic file's name, not \"" +
           page + "\"";
}

std::optional<std::string> CheckIcon(const std::string& icon)
{
    if (icon.empty()) return std::nullopt;
    std::optional<DynamicFile> file = GetDynamicFile(icon);
    if (file && ContentTypeFor(file->path.substr(file->path.rfind('/') + 1)).starts_with("image/")) {
        return std::nullopt;
    }
    return "--icon takes the name of a dynamic file that is a picture, not \"" + icon + "\"";
}

std::expected<CommunityHost, int> ParseHost(Words args, std::ostream& err)
{
    CommunityHost host;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        std::string* option = word == "--name"   ? &host.site_name
                              : word == "--page" ? &host.page_path
                              : word == "--icon" ? &host.icon
                              : word == "--desc" ? &host.description
                                                 : nullptr;
        if (option) {
            if (++i == args.size()) return std::unexpected(BadInput(err, word + " needs a value"));
            *option = Trimmed(args[i]);
        } else if (word.starts_with("--")) {
            return std::unexpected(BadInput(err, "unknown option " + word + " for community host add"));
        } else {
            positional.push_back(word);
        }
    }
    if (positional.size() != 2)
        return std::unexpected(BadInput(err, "community host add takes an ID and a LOGIN-URL"));
    host.id = Trimmed(positional[0]);
    host.login_url = Trimmed(positional[1]);
    return host;
}

int AddHost(Words args, std::ostream& err)
{
    std::expected<CommunityHost, int> parsed = ParseHost(args, err);
    if (!parsed) return parsed.error();
    const CommunityHost& host = *parsed;
    if (std::optional<std::string> problem = CheckId(host.id, kMinHostIdLength))
        return BadInput(err, *problem);
    if (host.login_url.size() < kMinLoginUrlLength || host.login_url.size() > kMaxRecordText) {
        return BadInput(err, "a login URL has " + std::to_string(kMinLoginUrlLength) + " to " +
                                 std::to_string(kMaxRecordText) + " bytes");
    }
    for (const std::string* text : {&host.site_name, &host.description}) {
        if (text->size() > kMaxRecordText) {
            return BadInput(err,
                            "--name and --desc take at most " + std::to_string(kMaxRecordText) + " bytes");
        }
    }
    if (std::optional<std::string> problem = CheckPage(host.page_path)) return BadInput(err, *problem);
    if (std::optional<std::string> problem = CheckIcon(host.icon)) return BadInput(err, *problem);
    if (FindHost(host.id)) return BadInput(err, "a host record \"" + host.id + "\" exists already");
    return WriteHost(host) ? kSuccess : StoreFailure(err);
}

int ListHosts(std::ostream& out)
{
    for (const CommunityHost& host : vireo::ListHosts()) {
        out << Field(host.id) << '\t' << Field(host.login_url) << '\t' << Field(host.host_name) << '\t'
            << Field(host.host_page) << '\t' << Field(host.host_description) << '\t'
            << LoginTime(host.last_login) << "\n";
    }
    return kSuccess;
}

int RunHost(Words args, std::ostream& out, std::ostream& err)
{
    const std::string action = args.empty() ? "" : args[0];
    if (action == "add") return AddHost(args.subspan(1), err);
    if (action == "remove" && args.size() == 2) {
        if (!FindHost(args[1])) return BadInput(err, "no host record \"" + args[1] + "\"");
        return DeleteHost(args[1]) ? kSuccess : StoreFailure(err);
    }
    if (action == "list" && args.size() == 1) return ListHosts(out);
    return BadInput(err, "community host takes add ID LOGIN-URL [options], remove ID or list");
}

}  // namespace

int RunCommunity(Words args, std::ostream& out, std::ostream& err)
{
    const std::string side = args.empty() ? "" : args[0];
    if (side == "member") return RunMember(args.subspan(1), out, err);
    if (side == "host") return RunHost(args.subspan(1), out, err);
    return BadInput(err, "community takes member or host");
}

}  // namespace vireo::config_command
