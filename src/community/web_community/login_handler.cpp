#include "community/web_community/login_handler.h"

#include "base/text_helpers.h"
#include "community/web_community/community_store.h"
#include "community/web_community/login_query.h"
#include "community/web_community/web_address.h"
#include "settings/settings.h"
#include "site/resolve_url.h"

namespace vireo {
namespace {

// The host reads at most this much of an ID, so a longer one is never found.
constexpr std::size_t kMaxLoginIdBytes = 32;
// A page address shorter than this cannot be a whole address.
constexpr std::size_t kMinPageAddress = 12;

std::string Rejected(std::string_view reason)
{
    return "rejected\r\n" + std::string(reason);
}

constexpr std::string_view kBadParameters = "Bad Login Parameters";

// The member's facts from the query into the record; false when one is missing or unusable. The
// page address becomes a link on the community page, so only a web address is taken.
bool TakeFacts(std::string_view query, CommunityMember& member)
{
    std::optional<std::string> name = DecodeLoginValue(query, "name=", kMaxRecordText);
    std::optional<std::string> page = DecodeLoginValue(query, "url=", kMaxRecordText);
    std::optional<std::string> description = DecodeLoginValue(query, "desc=", kMaxRecordText);
    if (!name || name->empty() || !page || page->size() < kMinPageAddress || !IsWebAddress(*page) ||
        !description) {
        return false;
    }
    member.name = std::move(*name);
    member.page = std::move(*page);
    member.description = std::move(*description);
    member.last_login = LocalRecordTime();
    return true;
}

}  // namespace

std::string HandleMemberLogin(std::string_view query, const Ipv4Endpoint& site)
{
    if (!GetAsWebCommHost()) return Rejected("Not Supported");
    std::optional<std::string> id =
        query.empty() ? std::nullopt : DecodeLoginValue(query, "id=", kMaxLoginIdBytes);
    if (!id || id->empty()) return Rejected(kBadParameters);

    // Checked and written in one store transaction, so a member removed meanwhile is not written
    // back.
    switch (UpdateMember(*id, [&](CommunityMember& member) { return TakeFacts(query, member); })) {
        case RecordUpdate::Stored:
            break;
        case RecordUpdate::Kept:
            return Rejected(kBadParameters);
        case RecordUpdate::Missing:
        case RecordUpdate::Failed:  // a store that cannot be read knows no member either
            return Rejected("Member ID Not Exists");
    }
    return "accepted\r\n" + GetWebCommNameAsHost().value_or("") + "\r\n" + FormatSiteUrl(site) + "/" +
           std::string(kWebCommunityName) + "/\r\n" + GetWebCommDescAsHost().value_or("");
}

int AnswerCommunityLogin(Exchange& exchange)
{
    Response response(exchange.local_client);
    response.BeginResponse(200);
    response.AddConnection();
    response.AddContentType("text/plain");
    response.AddBodyText(HandleMemberLogin(exchange.request().Query(), exchange.site));
    response.Finish();
    return exchange.Send(response);
}

}  // namespace vireo
