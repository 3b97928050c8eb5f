#include "community/web_community/community_page.h"

#include <string>

#include "base/url_codec.h"
#include "community/web_community/community_store.h"
#include "community/web_community/web_address.h"
#include "settings/settings.h"
#include "site/page_parts.h"

namespace vireo {
namespace {

constexpr std::string_view kTitle = "Web Community";

// One list item: the name, linked to the address when that is a web address, and the description.
void AddListItem(Response& response, std::string_view address, std::string_view name,
                 std::string_view description)
{
    if (IsWebAddress(address)) {
        response.AddBodyText("<li><a href=\"" + WebAddressHref(address) + "\" target=\"_blank\">" +
                             HtmlEscape(name) + "</a>");
    } else {
        response.AddBodyText("<li>" + HtmlEscape(name));
    }
    response.AddBodyText(":&nbsp;&nbsp;" + HtmlEscape(description) + "\r\n");
}

void AddListHead(Response& response, std::string_view heading, int margin_top)
{
    response.AddBodyText("<h5 style=\"color:#ff0000;margin-top:" + std::to_string(margin_top) +
                         ";margin-bottom:9\">" + std::string(heading) + "</h5>\r\n<ul>\r\n");
}

}  // namespace

void WriteCommunityPage(Response& response)
{
    response.BeginResponse(200);
    response.AddConnection();
    response.AddContentType("text/html");
    response.BeginPage(kTitle, "#ffffff");
    AddTitleBanner(response, kTitle);
    const bool host = GetAsWebCommHost();
    if (host) {
        AddListHead(response, "Members", 9);
        for (const CommunityMember& member : ListMembers()) {
            if (member.page.empty() || member.name.empty()) continue;
            AddListItem(response, member.page, member.name, member.description);
        }
        response.AddBodyText("</ul>\r\n");
    }
    if (GetAsWebCommMember()) {
        AddListHead(response, "Hosts", host ? 48 : 9);
        for (const CommunityHost& community : ListHosts()) {
            if (community.host_page.empty() || community.host_name.empty()) continue;
            AddListItem(response, community.host_page, community.host_name, community.host_description);
        }
        response.AddBodyText("</ul>\r\n");
    }
    EndGeneratedPage(response);
}

int AnswerCommunityPage(Exchange& exchange)
{
    Response response(exchange.local_client);
    WriteCommunityPage(response);
    return exchange.Send(response);
}

}  // namespace vireo
