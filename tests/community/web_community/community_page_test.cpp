// The community page for both roles, byte for byte.
#include "community/web_community/community_page.h"

#include <gtest/gtest.h>

#include "community/web_community/community_store.h"
#include "content/pages/generated_page_bytes.h"
#include "settings/settings.h"
#include "support/loopback.h"

namespace vireo::testing {
namespace {

const std::string kBanner =
    "<table cols=\"2\" rows=\"1\" border=\"0\" width=\"100%\">\r\n<tr>\r\n<td><h4>Web "
    "Community</h4></td>\r\n" +
    kPoweredByCell +
    "</tr>\r\n</table>\r\n<hr color=\"#000000\" size=\"1\" style=\"margin-top:0;margin-bottom:0\">\r\n";

std::string Page(const std::string& lists)
{
    return HtmlAnswer("HTTP/1.1 200 OK", PageHead("Web Community") + kBanner + lists + kPageEnd);
}

std::string Written()
{
    Response response;
    WriteCommunityPage(response);
    return response.IsFinished() ? MaskDate(ReadAll(response)) : "(not finished)";
}

class CommunityPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CommunityMember anna{"m1", "Anna", "http://10.0.0.5:8080/photos/", "Hills & lakes", {}};
        CommunityMember unnamed{"m2", "", "http://10.0.0.6/", "never logged in", {}};
        CommunityMember script{"m3", "<b>Bold</b>", "javascript:alert(1)", "<script>x</script>", {}};
        CommunityMember quoted{"m4", "Quote", "http://10.0.0.7/\"onmouseover=\"x", "", {}};
        for (const CommunityMember& member : {anna, unnamed, script, quoted})
            ASSERT_TRUE(WriteMember(member));
        CommunityHost walkers;
        walkers.id = "h1";
        walkers.host_name = "Walkers";
        walkers.host_page = "HTTPS://walkers.example//WebCommunity/";
        walkers.host_description = "Up & down";
        CommunityHost failed;
        failed.id = "h2";
        failed.host_description = "Can not connect to nowhere";
        ASSERT_TRUE(WriteHost(walkers));
        ASSERT_TRUE(WriteHost(failed));
    }

    TestServer server;  // with a private home for the records
    const std::string members =
        "<li><a href=\"http://10.0.0.5:8080/photos/\" target=\"_blank\">Anna</a>:&nbsp;&nbsp;Hills &amp; "
        "lakes\r\n"
        "<li>&lt;b&gt;Bold&lt;/b&gt;:&nbsp;&nbsp;&lt;script&gt;x&lt;/script&gt;\r\n"
        "<li><a href=\"http://10.0.0.7/%22onmouseover=%22x\" target=\"_blank\">Quote</a>:&nbsp;&nbsp;\r\n";
    const std::string hosts =
        "<li><a href=\"HTTPS://walkers.example//WebCommunity/\" target=\"_blank\">Walkers</a>:&nbsp;&nbsp;Up "
        "&amp; "
        "down\r\n";
};

TEST_F(CommunityPageTest, WithBothRolesOffOnlyTheBanner)
{
    EXPECT_EQ(Written(), Page(""));
}

TEST_F(CommunityPageTest, AHostListsItsMembersThatHaveLoggedIn)
{
    ASSERT_TRUE(SetAsWebCommHost(true));
    EXPECT_EQ(Written(),
              Page("<h5 style=\"color:#ff0000;margin-top:9;margin-bottom:9\">Members</h5>\r\n<ul>\r\n" +
                   members + "</ul>\r\n"));
}

TEST_F(CommunityPageTest, AMemberListsTheHostsThatAcceptedIt)
{
    ASSERT_TRUE(SetAsWebCommMember(true));
    EXPECT_EQ(Written(),
              Page("<h5 style=\"color:#ff0000;margin-top:9;margin-bottom:9\">Hosts</h5>\r\n<ul>\r\n" + hosts +
                   "</ul>\r\n"));
}

TEST_F(CommunityPageTest, BothRolesOverASocket)
{
    ASSERT_TRUE(SetAsWebCommHost(true));
    ASSERT_TRUE(SetAsWebCommMember(true));
    ASSERT_TRUE(server.listening());
    EXPECT_EQ(
        MaskDate(Exchange(server.port(), "GET /webcommunity/ HTTP/1.1\r\n\r\n")),
        Page("<h5 style=\"color:#ff0000;margin-top:9;margin-bottom:9\">Members</h5>\r\n<ul>\r\n" + members +
             "</ul>\r\n<h5 style=\"color:#ff0000;margin-top:48;margin-bottom:9\">Hosts</h5>\r\n<ul>\r\n" +
             hosts + "</ul>\r\n"));
}

}  // namespace
}  // namespace vireo::testing
