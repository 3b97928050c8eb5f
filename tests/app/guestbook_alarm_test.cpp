// `vireo serve` prints the guestbook's alarm as a log line when a message arrives.
#include <gtest/gtest.h>
#include <signal.h>

#include "settings/settings.h"
#include "support/child_process.h"
#include "support/loopback.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

constexpr std::string_view kAlarmLine = "There is a new message in your guestbook.";

std::string Post(std::uint16_t port, std::string_view message)
{
    const std::string body = "msg=" + std::string(message);
    return Exchange(port,
                    "POST /Guestbook/ HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                    "Content-Length: " +
                        std::to_string(body.size()) + "\r\n\r\n" + body);
}

// The output of a `vireo serve` run in which one message is posted, up to its stop.
std::string OutputOfOnePost()
{
    ChildProcess serve({VIREO_BINARY, "serve", "--port", "0"});
    std::optional<std::string> listening = serve.ReadLine();
    const std::uint16_t port = listening ? ListeningPort(*listening) : 0;
    EXPECT_NE(port, 0);
    EXPECT_NE(Post(port, "Hello").find("Your message has been saved."), std::string::npos);
    // The request's own log line comes after the alarm; waiting for it means the alarm is out too.
    std::string output;
    while (std::optional<std::string> line = serve.ReadLine()) {
        output += *line + "\n";
        if (line->find("/Guestbook/") != std::string::npos) break;
    }
    serve.Signal(SIGTERM);
    EXPECT_EQ(serve.WaitForExit(std::chrono::seconds(5)), 0);
    return output + serve.ReadRest();
}

TEST(GuestbookAlarm, ServePrintsALineForEachMessage)
{
    TestHome home;
    ASSERT_TRUE(SetListenIp({127, 0, 0, 1}));
    ASSERT_TRUE(SetEnableGuestbook(true));
    ASSERT_TRUE(SetGuestbookAlarm(true));
    const std::string output = OutputOfOnePost();
    EXPECT_NE(output.find(std::string(kAlarmLine) + "\n"), std::string::npos) << output;
}

TEST(GuestbookAlarm, ServeStaysQuietWhileTheAlarmIsOff)
{
    TestHome home;
    ASSERT_TRUE(SetListenIp({127, 0, 0, 1}));
    ASSERT_TRUE(SetEnableGuestbook(true));
    const std::string output = OutputOfOnePost();
    EXPECT_NE(output.find("/Guestbook/"), std::string::npos) << output;
    EXPECT_EQ(output.find(kAlarmLine), std::string::npos) << output;
}

}  // namespace
}  // namespace vireo::testing
