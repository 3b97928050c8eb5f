// `vireo serve` runs the chat room when it is set to start by itself, and ends it before the server.
#include <gtest/gtest.h>
#include <signal.h>

#include "settings/settings.h"
#include "support/chat_client.h"
#include "support/child_process.h"
#include "support/loopback.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

TEST(ChatServeTest, RoomStartsWithTheServerAndEndsBeforeIt)
{
    TestHome home;
    ASSERT_TRUE(SetListenIp({127, 0, 0, 1}));
    ASSERT_TRUE(SetAutoStartChatRoom(true));
    ASSERT_TRUE(SetChatRoomMaxMember(2));
    ChildProcess serve({VIREO_BINARY, "serve", "--port", "0"});
    std::optional<std::string> listening = serve.ReadLine();
    const std::uint16_t port = listening ? ListeningPort(*listening) : 0;
    ASSERT_NE(port, 0);
    EXPECT_EQ(serve.ReadLine(), "Chat room started.");

    ChatClient a(port);
    ASSERT_TRUE(a.WaitForListReloads(1)) << a.received();
    ChatClient b(port, {127, 0, 0, 2});
    ASSERT_TRUE(b.joined());
    ASSERT_TRUE(a.WaitForListReloads(2)) << a.received();
    const std::string full = Exchange(port, "GET /Webchat/output.htm?id=9 HTTP/1.1\r\n\r\n");
    EXPECT_NE(full.find(">Chat Room Full<"), std::string::npos);

    serve.Signal(SIGTERM);
    EXPECT_TRUE(a.WaitForClose());
    EXPECT_TRUE(b.WaitForClose());
    EXPECT_EQ(serve.WaitForExit(std::chrono::seconds(5)), 0);
    const std::string rest = serve.ReadRest();
    EXPECT_TRUE(rest.ends_with("Chat room stopped.\nServer stopped.\n")) << rest;
}

TEST(ChatServeTest, RoomStaysClosedUnlessAsked)
{
    TestHome home;
    ASSERT_TRUE(SetListenIp({127, 0, 0, 1}));
    ChildProcess serve({VIREO_BINARY, "serve", "--port", "0"});
    std::optional<std::string> listening = serve.ReadLine();
    const std::uint16_t port = listening ? ListeningPort(*listening) : 0;
    ASSERT_NE(port, 0);
    EXPECT_NE(Exchange(port, "GET /Webchat/ HTTP/1.1\r\n\r\n").find(">Chat Room Not Open<"),
              std::string::npos);
    serve.Signal(SIGTERM);
    EXPECT_EQ(serve.WaitForExit(std::chrono::seconds(5)), 0);
    const std::string rest = serve.ReadRest();
    EXPECT_EQ(rest.find("Chat room"), std::string::npos) << rest;
}

}  // namespace
}  // namespace vireo::testing
