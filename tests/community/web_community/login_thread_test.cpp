// The member's login thread: when it logs in, and that nothing holds it up or outlives it.
#include "community/web_community/login_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "community/web_community/community_store.h"
#include "settings/settings.h"
#include "support/scripted_server.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

const ScriptedReply kAccepted{
    {"HTTP/1.1 200 OK\r\nContent-Length: 42\r\n\r\naccepted\r\nWalkers\r\nhttp://10.0.0.1/\r\nHills\r\n"}};

const Ipv4Endpoint kSite{{127, 0, 0, 1}, 8080};

CommunityHost HostAt(std::string id, const ScriptedServer& server)
{
    CommunityHost host;
    host.id = std::move(id);
    host.site_name = "me";
    host.login_url = "http://127.0.0.1:" + std::to_string(server.port()) + "/WebCommunity/login";
    return host;
}

// Waits until the record's host description is the text.
bool WaitForText(std::string_view id, std::string_view text, milliseconds limit = milliseconds(10000))
{
    const auto deadline = steady_clock::now() + limit;
    while (steady_clock::now() < deadline) {
        std::optional<CommunityHost> host = FindHost(id);
        if (host && host->host_description == text) return true;
        std::this_thread::sleep_for(milliseconds(20));
    }
    return false;
}

class LoginThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetAsWebCommMember(true));
        ASSERT_TRUE(WriteHost(HostAt("good", good)));
    }

    TestHome home;
    ScriptedServer good{{127, 0, 0, 1}, [](const std::string&) { return kAccepted; }};
};

TEST_F(LoginThreadTest, LogsInAtStartWhileTheServerRunsAndWhenWoken)
{
    std::atomic<bool> running{false};
    CommunityLoginThread logins(
        [&]() -> std::optional<Ipv4Endpoint> { return running ? std::optional(kSite) : std::nullopt; });
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_TRUE(good.requests().empty());  // the server does not run yet

    running = true;
    logins.Wake();
    ASSERT_TRUE(WaitForText("good", "Hills"));
    EXPECT_EQ(good.requests().size(), 1u);
    EXPECT_NE(good.requests()[0].find("&url=http%3A%2F%2F127.0.0.1%3A8080%2F&"), std::string::npos);

    ASSERT_TRUE(SetAsWebCommMember(false));
    logins.Wake();
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_EQ(good.requests().size(), 1u);
    ASSERT_TRUE(SetAsWebCommMember(true));
    logins.Wake();
    EXPECT_TRUE(good.WaitForRequests(2));
}

TEST_F(LoginThreadTest, LogsInAgainEveryPeriod)
{
    CommunityLoginThread logins([] { return std::optional(kSite); }, {}, milliseconds(100));
    EXPECT_TRUE(good.WaitForRequests(3));
}

TEST_F(LoginThreadTest, ASlowHostDoesNotHoldUpTheOthers)
{
    // "a-slow" comes first in the store's order; it answers one byte at a time, for ever.
    ScriptedReply trickle;
    trickle.pieces.assign(1000, "H");
    trickle.gap = milliseconds(20);
    ScriptedServer slow({127, 0, 0, 1}, [&](const std::string&) { return trickle; });
    ASSERT_TRUE(WriteHost(HostAt("a-slow", slow)));
    const auto start = steady_clock::now();
    CommunityLoginThread logins([] { return std::optional(kSite); }, {.exchange = milliseconds(1000)});
    ASSERT_TRUE(WaitForText("good", "Hills"));
    EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(FindHost("a-slow")->host_description, "Disconected by Host");
}

TEST_F(LoginThreadTest, StoppingCutsALoginShortAndLeavesItsRecord)
{
    // A host that takes the request and never answers.
    ScriptedServer silent({127, 0, 0, 1}, [](const std::string&) { return ScriptedReply{{}, {}, false}; });
    ASSERT_TRUE(WriteHost(HostAt("a-silent", silent)));
    std::optional<CommunityLoginThread> logins(std::in_place, [] { return std::optional(kSite); });
    ASSERT_TRUE(silent.WaitForRequests(1));
    const auto start = steady_clock::now();
    logins.reset();
    EXPECT_LT(steady_clock::now() - start, milliseconds(1000));
    EXPECT_EQ(FindHost("a-silent")->host_description, "");
    EXPECT_TRUE(good.requests().empty());
}

}  // namespace
}  // namespace vireo::testing
