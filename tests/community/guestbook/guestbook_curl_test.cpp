// curl leaving guestbook messages through a real server, as a visitor's form post would.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "settings/guestbook_folder.h"
#include "settings/settings.h"
#include "support/child_process.h"
#include "support/files.h"
#include "support/loopback.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

class GuestbookCurlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listening());
        ASSERT_TRUE(SetEnableGuestbook(true));
    }

    // Posts with curl; what it printed (the answer's head and body).
    ProgramResult Curl(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {"/usr/bin/curl", "-s", "-i", "--max-time", "30"});
        arguments.push_back("http://127.0.0.1:" + std::to_string(server.port()) + "/Guestbook/");
        return RunProgram(arguments);
    }

    std::string Stored() const { return ReadFile(fs::path(*GetGuestbookFolder(false)) / "127.0.0.1.txt"); }

    TestServer server;
};

TEST_F(GuestbookCurlTest, StoresAnEncodedFormField)
{
    const ProgramResult result = Curl({"--data-urlencode", "msg=  Hello & good bye = 100%\nÄrger? ✓"});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_NE(result.output.find("Your message has been saved. Thank you."), std::string::npos);
    EXPECT_EQ(Stored(), "Hello & good bye = 100%\nÄrger? ✓");
}

TEST_F(GuestbookCurlTest, InterimAnswerLetsCurlSendTheBodyAtOnce)
{
    // Without the interim answer curl would wait the whole minute before it sends the body.
    const std::string text(200000, 'g');
    // Too long for one argument of a command line, so curl reads it from a file.
    const fs::path body = server.home().path() / "body.txt";
    WriteFile(body, "msg=" + text);
    const ProgramResult result = Curl(
        {"-H", "Expect: 100-continue", "--expect100-timeout", "60", "--data-binary", "@" + body.string()});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_TRUE(result.output.starts_with("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n"))
        << result.output.substr(0, 60);
    EXPECT_NE(result.output.find("The message is too large. No all of it has been saved."),
              std::string::npos);
    EXPECT_TRUE(Stored() == text.substr(0, 65536 - 4));
}

}  // namespace
}  // namespace vireo::testing
