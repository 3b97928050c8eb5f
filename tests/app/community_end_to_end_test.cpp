// Two real `vireo serve` processes on loopback form a web community: one hosts, the other logs in
// as a member, and each one's community page lists the other.
#include <gtest/gtest.h>
#include <signal.h>

#include <thread>

#include "community/web_community/community_store.h"
#include "settings/settings.h"
#include "support/child_process.h"
#include "support/loopback.h"
#include "support/scripted_server.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

using std::chrono::milliseconds;

// Starts `vireo serve` on a free port with the settings store of the home in use now.
std::uint16_t StartServe(std::optional<ChildProcess>& serve)
{
    serve.emplace(std::vector<std::string>{VIREO_BINARY, "serve", "--port", "0"});
    std::optional<std::string> listening = serve->ReadLine();
    return listening ? ListeningPort(*listening) : 0;
}

// Asks for the community page until it holds the text.
bool PageShows(std::uint16_t port, std::string_view text, milliseconds limit = milliseconds(10000))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Exchange(port, "GET /WebCommunity/ HTTP/1.1\r\n\r\n").find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(milliseconds(100));
    }
    return false;
}

void StopCleanly(ChildProcess& serve)
{
    serve.Signal(SIGTERM);
    EXPECT_EQ(serve.WaitForExit(std::chrono::seconds(5)), 0);
    EXPECT_TRUE(serve.ReadRest().ends_with("Server stopped.\n"));
}

TEST(CommunityEndToEnd, TwoServersListEachOther)
{
    TestHome host_home;
    ASSERT_TRUE(SetListenIp({127, 0, 0, 1}));
    ASSERT_TRUE(SetAsWebCommHost(true));
    ASSERT_TRUE(SetWebCommNameAsHost("Hill Walkers"));
    ASSERT_TRUE(SetWebCommDescAsHost("Walks & talks"));
    CommunityMember member;
    member.id = "walker-1";
    ASSERT_TRUE(WriteMember(member));
    std::optional<ChildProcess> host;
    const std::uint16_t host_port = StartServe(host);
    ASSERT_NE(host_port, 0);

    TestHome member_home;  // the member's store from here on
    ASSERT_TRUE(SetListenIp({127, 0, 0, 1}));
    ASSERT_TRUE(SetAsWebCommMember(true));
    CommunityHost community;
    community.id = "walker-1";
    community.login_url = "http://127.0.0.1:" + std::to_string(host_port) + "/WebCommunity/login";
    community.site_name = "Lake Side";
    community.description = "Lakes <and> boats";
    ASSERT_TRUE(WriteHost(community));
    std::optional<ChildProcess> site;
    const std::uint16_t member_port = StartServe(site);
    ASSERT_NE(member_port, 0);

    const std::string host_page = "http://127.0.0.1:" + std::to_string(host_port) + "//WebCommunity/";
    EXPECT_TRUE(PageShows(host_port,
                          "<li><a href=\"http://127.0.0.1:" + std::to_string(member_port) +
                              "/\" target=\"_blank\">Lake Side</a>:&nbsp;&nbsp;Lakes &lt;and&gt; boats\r\n"));
    EXPECT_TRUE(PageShows(member_port,
                          "<li><a href=\"" + host_page +
                              "\" target=\"_blank\">Hill Walkers</a>:&nbsp;&nbsp;Walks &amp; talks\r\n"));
    // The host's page address works as the member shows it.
    EXPECT_TRUE(
        Exchange(host_port, "GET //WebCommunity/ HTTP/1.1\r\n\r\n").starts_with("HTTP/1.1 200 OK\r\n"));

    const ProgramResult list = RunProgram({VIREO_BINARY, "config", "community", "host", "list"});
    EXPECT_TRUE(list.output.starts_with("walker-1\t" + community.login_url + "\tHill Walkers\t" + host_page +
                                        "\tWalks & talks\t20"))
        << list.output;

    StopCleanly(*site);
    StopCleanly(*host);
}

TEST(CommunityEndToEnd, ALoginInProgressDoesNotDelayTheStop)
{
    // A host that takes the login and never answers: the login would wait 30 seconds.
    ScriptedServer silent({127, 0, 0, 1}, [](const std::string&) { return ScriptedReply{{}, {}, false}; });
    TestHome home;
    ASSERT_TRUE(SetListenIp({127, 0, 0, 1}));
    ASSERT_TRUE(SetAsWebCommMember(true));
    CommunityHost community;
    community.id = "me";
    community.login_url = "http://127.0.0.1:" + std::to_string(silent.port()) + "/WebCommunity/login";
    ASSERT_TRUE(WriteHost(community));
    std::optional<ChildProcess> serve;
    ASSERT_NE(StartServe(serve), 0);
    ASSERT_TRUE(silent.WaitForRequests(1));
    const auto start = std::chrono::steady_clock::now();
    StopCleanly(*serve);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(FindHost("me")->host_description, "");
}

}  // namespace
}  // namespace vireo::testing
