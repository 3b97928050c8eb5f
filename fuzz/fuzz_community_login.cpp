// The host's side of a login over any query a visitor sends: HandleMemberLogin against a private
// store that holds the member "m1". The answer is one of the fixed rejections or an acceptance; an
// acceptance stores exactly the facts the query carries, and only a web address as the page.
//
// Input: the query (the text after "?").
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/ascii_case.h"
#include "community/web_community/community_store.h"
#include "community/web_community/login_handler.h"
#include "community/web_community/login_query.h"
#include "community/web_community/web_address.h"
#include "fuzz_support.h"
#include "settings/settings.h"

namespace vireo::fuzz {
namespace {

const Ipv4Endpoint kSite{{10, 0, 0, 1}, 8080};

bool IsRejection(std::string_view answer)
{
    return answer == "rejected\r\nNot Supported" || answer == "rejected\r\nBad Login Parameters" ||
           answer == "rejected\r\nMember ID Not Exists";
}

}  // namespace
}  // namespace vireo::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vireo::fuzz::PrivateHome();
    vireo::SetAsWebCommHost(true);
    vireo::SetWebCommNameAsHost("Hill Walkers");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo;
    using namespace vireo::fuzz;
    const std::string_view query = AsText(data, size);
    CommunityMember fresh;
    fresh.id = "m1";
    WriteMember(fresh);

    const std::string answer = HandleMemberLogin(query, kSite);
    const std::optional<CommunityMember> stored = FindMember("m1");
    Require(stored.has_value());
    if (answer.starts_with("accepted\r\n")) {
        Require(answer == "accepted\r\nHill Walkers\r\nhttp://10.0.0.1:8080//WebCommunity/\r\n");
        const std::optional<std::string> id = DecodeLoginValue(query, "id=", 32);
        Require(id && EqualsIgnoreCase(*id, "m1"));
        Require(stored->name == DecodeLoginValue(query, "name=", 255) && !stored->name.empty());
        Require(stored->page == DecodeLoginValue(query, "url=", 255) && IsWebAddress(stored->page) &&
                stored->page.size() >= 12);
        Require(stored->description == DecodeLoginValue(query, "desc=", 255));
        Require(!stored->last_login.IsZero());
    } else {
        Require(IsRejection(answer));
        Require(stored->name.empty() && stored->page.empty() && stored->last_login.IsZero());
    }
    return 0;
}
