// `vireo config community member ... | host ...`: the web community's records. The host keeps its
// members, the member keeps the communities it logs in to.

#include <expected>
#include <vector>

#include "app/config_command_parts.h"
#include "base/text_helpers.h"
#include "community/web_community/community_rules.h"
#include "community/web_community/community_store.h"

namespace vireo::config_command {

namespace {

// A field of a list line: the text with its control bytes escaped, since much of it comes from
// other machines and a TAB in it would break the columns.
std::string Field(std::string_view text)
{
    return EscapeControlBytes(text, KeptControls::None);
}

std::optional<std::string> CheckId(const std::string& id, bool (*fits)(std::string_view),
                                   std::size_t min_length)
{
    if (fits(id)) return std::nullopt;
    return "a member ID has " + std::to_string(min_length) + " to " + std::to_string(kMaxCommunityIdLength) +
           " bytes";
}

int AddMember(const std::string& typed, std::ostream& err)
{
    const std::string id = Trimmed(typed);
    if (std::optional<std::string> problem = CheckId(id, IsMemberIdLength, kMinMemberIdLength))
        return BadInput(err, *problem);
    if (FindMember(id)) return BadInput(err, "a member \"" + id + "\" exists already");
    CommunityMember member;
    member.id = id;
    return WriteMember(member) ? kSuccess : StoreFailure(err);
}

int ListMembers(std::ostream& out)
{
    for (const CommunityMember& member : vireo::ListMembers()) {
        out << Field(member.id) << '\t' << Field(member.name) << '\t' << Field(member.page) << '\t'
            << FormatLoginTime(member.last_login) << '\t' << Field(member.description) << "\n";
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

std::optional<std::string> CheckPage(const std::string& page)
{
    if (IsMemberPage(page)) return std::nullopt;
    return "--page takes \"\", a shared folder's name and \"/\", \"Webchat/\", \"WebCommunity/\" or a "
           "dynamic file's name, not \"" +
           page + "\"";
}

std::optional<std::string> CheckIcon(const std::string& icon)
{
    if (IsMemberIcon(icon)) return std::nullopt;
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
    if (std::optional<std::string> problem = CheckId(host.id, IsLoginIdLength, kMinLoginIdLength))
        return BadInput(err, *problem);
    if (!IsLoginUrlLength(host.login_url)) {
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
            << FormatLoginTime(host.last_login) << "\n";
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
