// A real server on a loopback port, spoken to with raw bytes.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "settings/settings.h"
#include "support/loopback.h"
#include "support/page_bytes.h"

namespace vireo::testing {
namespace {

using namespace std::chrono_literals;

const std::string kEchoTable =
    "<table width=\"100%\" cols=\"2\">\r\n<tr>\r\n<td align=\"left\" vAlign=\"middle\"><h3 "
    "style=\"color:#000000;margin-top:9;margin-bottom:9\">Request Echo</h3></td>\r\n<td align=\"right\" "
    "vAlign=\"middle\"><a style=\"color:#0000ff\" href=\"/\">Home</a></td>\r\n</tr>\r\n</table>\r\n<hr "
    "size=\"1\">\r\n";

std::string EchoPage(std::string_view lines)
{
    return HtmlAnswer("HTTP/1.1 200 OK", PageHead("Request Echo") + kEchoTable + std::string(lines) +
                                             "</p>\r\n" + PageFooter());
}

class ServerTest : public ::testing::Test {
protected:
    TestServer server;
};

TEST_F(ServerTest, EchoesTheRequestLinesEscaped)
{
    ASSERT_TRUE(server.listening());
    std::string answer = Exchange(server.port(), "GET /?? HTTP/1.1\r\nHost: x\r\n  X-Tag: <b>&\"\r\n\r\n");
    EXPECT_EQ(MaskDate(answer),
              EchoPage("GET /?? HTTP/1.1<br>\r\nHost: x<br>\r\nX-Tag: &lt;b&gt;&amp;&quot;<br>\r\n"));
}

TEST_F(ServerTest, HeadGetsOnlyTheHeaderWithTheFullLength)
{
    std::string get = MaskDate(Exchange(server.port(), "GET /?? HTTP/1.1\r\n\r\n"));
    std::string head = MaskDate(Exchange(server.port(), "HEAD /?? HTTP/1.1\r\n\r\n"));
    std::size_t end = head.find("\r\n\r\n");
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(end + 4, head.size());
    std::string get_header = get.substr(0, get.find("\r\n\r\n") + 4);
    std::string get_body = get.substr(get_header.size());
    // The page echoes the request line, and "HEAD" is one letter longer than "GET".
    EXPECT_NE(head.find("Content-Length: " + std::to_string(get_body.size() + 1) + "\r\n"), std::string::npos)
        << head;
}

TEST_F(ServerTest, UnknownUrlGetsNotFoundPage)
{
    std::string answer = Exchange(server.port(), "GET /missing/file.txt HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(MaskDate(answer), ErrorPage("HTTP/1.1 404 Not Found", "Error 404 (Not Found)",
                                          "GET /missing/file.txt HTTP/1.1<br>\r\nHost: x<br>\r\n"));
}

TEST_F(ServerTest, MalformedRequestGetsBadRequestWhileAutoBlockIsOff)
{
    SetUseAutoBlockList(false);
    EXPECT_EQ(MaskDate(Exchange(server.port(), "GET\r\n\r\n")),
              ErrorPage("HTTP/1.1 400 Bad Request", "Error 400 (Bad Request)", "GET<br>\r\n"));
    EXPECT_EQ(MaskDate(Exchange(server.port(), "BREW /pot HTTP/1.1\r\n\r\n")),
              ErrorPage("HTTP/1.1 400 Bad Request", "Error 400 (Bad Request)", "BREW /pot HTTP/1.1<br>\r\n"));
    // A forbidden byte leaves the request empty: the page then shows no request text.
    EXPECT_EQ(MaskDate(Exchange(server.port(), std::string("GET /\x01 HTTP/1.1\r\n\r\n"))),
              ErrorPage("HTTP/1.1 400 Bad Request", "Error 400 (Bad Request)", ""));
    EXPECT_FALSE(IsInAutoBlockList({127, 0, 0, 1}));
}

TEST_F(ServerTest, OversizeHeaderGetsBadRequestWhileAutoBlockIsOff)
{
    SetUseAutoBlockList(false);
    LoopbackClient client(server.port());
    client.Send("GET / HTTP/1.1\r\nX: " + std::string(2 * 1024 * 1024, 'a'));
    std::string answer = client.ReadAll();
    EXPECT_EQ(answer.rfind("HTTP/1.1 400 Bad Request\r\n", 0), 0u) << answer.substr(0, 100);
}

TEST_F(ServerTest, HostileRequestsAreBlockedWithoutAnswer)
{
    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"unknown method", "BREW /pot HTTP/1.1\r\n\r\n"},
        {"forbidden byte before the end", std::string("GET /\xff", 6)},
        {"NUL byte", std::string("GET /\0 HTTP/1.1\r\n\r\n", 19)},
        {"long header without end", "GET / HTTP/1.1\r\nX: " + std::string(4000, 'a')},
        {"first segment too long", "GET /" + std::string(48, 'a') + "/x HTTP/1.1\r\n\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetAutoBlockList({});
        LoopbackClient client(server.port());
        client.Send(c.bytes);
        EXPECT_TRUE(client.ClosedWithoutAnswer());
        EXPECT_TRUE(IsInAutoBlockList({127, 0, 0, 1}));
    }
}

TEST_F(ServerTest, HeaderArrivingInRandomPiecesIsReadWhole)
{
    const std::string request = "GET /?? HTTP/1.1\r\nHost: x\r\nAccept: */*\r\n\r\n";
    std::mt19937 random(7);
    for (int round = 0; round < 5; ++round) {
        LoopbackClient client(server.port());
        std::size_t at = 0;
        while (at < request.size()) {
            std::size_t piece = std::uniform_int_distribution<std::size_t>(1, 6)(random);
            client.Send(std::string_view(request).substr(at, piece));
            at += piece;
            std::this_thread::sleep_for(2ms);
        }
        EXPECT_EQ(MaskDate(client.ReadAll()),
                  EchoPage("GET /?? HTTP/1.1<br>\r\nHost: x<br>\r\nAccept: */*<br>\r\n"));
    }
}

TEST_F(ServerTest, PeerThatClosesAtOnceLeavesAClosedRow)
{
    {
        LoopbackClient client(server.port());
    }
    EXPECT_TRUE(server.events().WaitForClientNotices(ClientNotice::Closed, 1));
    // The server goes on answering.
    EXPECT_EQ(Exchange(server.port(), "GET /x HTTP/1.1\r\n\r\n").rfind("HTTP/1.1 404", 0), 0u);
}

TEST_F(ServerTest, ClientRowsTrackStateUrlAndProgress)
{
    std::string answer = Exchange(server.port(), "GET /some%20where HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(server.events().WaitForClientNotices(ClientNotice::Closed, 1));
    std::optional<ClientEntry> entry = server.server().clients().Snapshot(server.events().last_socket());
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->state, ClientState::Refused);
    EXPECT_EQ(entry->url, "/some where");
    EXPECT_EQ(entry->peer.address, (Ipv4Address{127, 0, 0, 1}));
    EXPECT_EQ(entry->total, answer.size());
    EXPECT_EQ(entry->sent, answer.size());
    EXPECT_NE(entry->closed_at, SystemTime{});
}

TEST_F(ServerTest, ThirtyThreeOpenClientsGrowTheTableToSixtyFour)
{
    EXPECT_EQ(server.server().clients().Capacity(), 32u);
    std::vector<std::unique_ptr<LoopbackClient>> clients;
    for (int i = 0; i < 33; ++i) clients.push_back(std::make_unique<LoopbackClient>(server.port()));
    ASSERT_TRUE(server.events().WaitForClientNotices(ClientNotice::Connected, 33));
    EXPECT_EQ(server.server().clients().Capacity(), 64u);
    clients.clear();
    ASSERT_TRUE(server.events().WaitForClientNotices(ClientNotice::Closed, 33));
    // Closed rows are reused before the table grows again.
    for (int i = 0; i < 40; ++i) clients.push_back(std::make_unique<LoopbackClient>(server.port()));
    ASSERT_TRUE(server.events().WaitForClientNotices(ClientNotice::Connected, 73));
    EXPECT_EQ(server.server().clients().Capacity(), 64u);
}

TEST_F(ServerTest, StopsWithinThreeSecondsAndStartsAgain)
{
    auto asked = std::chrono::steady_clock::now();
    server.server().RequestStop();
    ASSERT_TRUE(server.events().WaitForServerNotice(ServerNotice::Stopped, 3s));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 3s);
    EXPECT_FALSE(server.server().IsRunning());
    EXPECT_FALSE(LoopbackClient(server.port()).connected());

    server.server().Start();
    ASSERT_TRUE(server.events().WaitForServerNotice(ServerNotice::Listening));
    EXPECT_EQ(server.server().BoundAddress(), (Ipv4Endpoint{{127, 0, 0, 1}, server.port()}));
    EXPECT_EQ(Exchange(server.port(), "GET /x HTTP/1.1\r\n\r\n").rfind("HTTP/1.1 404", 0), 0u);
}

// How many threads this process has.
std::size_t ThreadCount()
{
    const std::filesystem::directory_iterator threads("/proc/self/task");
    return static_cast<std::size_t>(std::distance(begin(threads), end(threads)));
}

// Opens `count` connections that each have sent the start of a request, so each holds a
// connection thread of its own until it is finished.
std::vector<std::unique_ptr<LoopbackClient>> HalfSentRequests(std::uint16_t port, int count)
{
    std::vector<std::unique_ptr<LoopbackClient>> clients;
    for (int i = 0; i < count; ++i) {
        clients.push_back(std::make_unique<LoopbackClient>(port));
        clients.back()->Send("GET /x HTTP/1.1\r\n");
    }
    return clients;
}

// Connection threads wait for visitors in accept on the listening socket itself. A stop must still
// end the listener and every waiting thread at once.
TEST_F(ServerTest, StopEndsEveryThreadThatWaitsForVisitors)
{
    // A first request starts whatever threads the site starts once.
    ASSERT_EQ(Exchange(server.port(), "GET /x HTTP/1.1\r\n\r\n").rfind("HTTP/1.1 404", 0), 0u);
    const std::size_t threads_before = ThreadCount();
    {
        auto clients = HalfSentRequests(server.port(), 40);
        // The counts go on from the first request's: all forty must hold a thread at once, or a
        // late one could be served by a thread another has finished with.
        ASSERT_TRUE(server.events().WaitForClientNotices(ClientNotice::Connected, 41));
        for (auto& client : clients) client->Send("\r\n");
        for (auto& client : clients) EXPECT_EQ(client->ReadAll().rfind("HTTP/1.1 404", 0), 0u);
    }
    ASSERT_TRUE(server.events().WaitForClientNotices(ClientNotice::Closed, 41));
    // The forty threads now wait for the next visitor.
    EXPECT_GE(ThreadCount(), threads_before + 39);

    auto asked = std::chrono::steady_clock::now();
    server.server().RequestStop();
    ASSERT_TRUE(server.events().WaitForServerNotice(ServerNotice::Stopped, 3s));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 1s);
    EXPECT_FALSE(LoopbackClient(server.port()).connected());
    auto deadline = std::chrono::steady_clock::now() + 3s;
    while (ThreadCount() >= threads_before && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    // The server thread and the waiting ones have all ended.
    EXPECT_LT(ThreadCount(), threads_before);

    server.server().Start();
    ASSERT_TRUE(server.events().WaitForServerNotice(ServerNotice::Listening));
    EXPECT_EQ(Exchange(server.port(), "GET /x HTTP/1.1\r\n\r\n").rfind("HTTP/1.1 404", 0), 0u);
}

// More visitors at once than the listener's queue holds, each on a thread of its own: all answered.
TEST_F(ServerTest, ManySimultaneousVisitorsAreAllAnswered)
{
    constexpr int kVisitors = 200;
    auto clients = HalfSentRequests(server.port(), kVisitors);
    for (auto& client : clients) client->Send("\r\n");
    int answered = 0;
    for (auto& client : clients) answered += client->ReadAll().starts_with("HTTP/1.1 404") ? 1 : 0;
    EXPECT_EQ(answered, kVisitors);
    ASSERT_TRUE(server.events().WaitForClientNotices(ClientNotice::Closed, kVisitors));
}

TEST(ServerStartTest, PortInUseReportsTheFailure)
{
    TestServer first;
    ASSERT_TRUE(first.listening());
    auto events = std::make_shared<RecordingEvents>();
    Server second(events, LoopbackSiteSetup({127, 0, 0, 1},
                                            std::make_shared<std::atomic<std::uint16_t>>(first.port())));
    second.Start();
    ASSERT_TRUE(events->WaitForServerNotice(ServerNotice::StartFailed));
    EXPECT_EQ(second.LastStartError(), EADDRINUSE);
    EXPECT_FALSE(second.IsRunning());
}

}  // namespace
}  // namespace vireo::testing
