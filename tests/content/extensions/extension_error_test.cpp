// The error answers of the extension feature, each checked to leave no exchange file behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "content/extensions/extension_site.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

class ExtensionErrorTest : public ExtensionSiteTest {
protected:
    std::string Status(std::string_view request) { return StatusLineOf(Answer(request)); }
};

TEST_F(ExtensionErrorTest, NotFoundWithoutExtensionsOrWithoutAProgramFile)
{
    const std::string program = ShellProgram("printf hi > \"$x.b\"; printf 000 > \"$x.c\"\n");
    programs.Add("page.sh", program);
    fs::create_directories(programs.path / "tools");
    EXPECT_EQ(Status(Get("/Extension/missing.sh")), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(Status(Get("/Extension/tools")), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(Status(Get("/Extension/")), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(Status(Get("/Extension/../programs/page.sh")), "HTTP/1.1 404 Not Found");

    ASSERT_TRUE(SetExtensionEnabled(false));
    EXPECT_EQ(Status(Get("/Extension/page.sh")), "HTTP/1.1 404 Not Found");
    ASSERT_TRUE(SetExtensionEnabled(true));
    EXPECT_EQ(Status(Get("/Extension/page.sh")), "HTTP/1.1 200 OK");
    fs::remove_all(programs.path);
    EXPECT_EQ(Status(Get("/Extension/page.sh")), "HTTP/1.1 404 Not Found");
}

TEST_F(ExtensionErrorTest, BadGatewayForFilesThatAreNoProgramsAndNeverRunThem)
{
    const std::string marker = (programs.path / "ran").string();
    programs.Add("notes.txt", "#!/bin/sh\ntouch '" + marker + "'\n");
    programs.Add("script.vbs", "#!/bin/sh\ntouch '" + marker + "'\n");
    // Marked executable, yet no program the system can start.
    programs.Add("broken",
                 std::string("\x7f"
                             "ELF garbage",
                             12),
                 true);
    EXPECT_EQ(Status(Get("/Extension/notes.txt")), "HTTP/1.1 502");
    EXPECT_EQ(Status(Get("/Extension/script.vbs", "POST")), "HTTP/1.1 502");
    EXPECT_EQ(Status(Get("/Extension/broken")), "HTTP/1.1 502");
    EXPECT_FALSE(fs::exists(marker));
}

TEST_F(ExtensionErrorTest, ProgramsThatEndWithoutTheirFilesGetGatewayTimeoutAndServerError)
{
    programs.Add("silent.sh", ShellProgram("printf hello > \"$x.b\"\n"));
    // Three characters make the control file; two are not enough.
    programs.Add("short.sh", ShellProgram("printf hello > \"$x.b\"; printf 00 > \"$x.c\"\n"));
    programs.Add("headless.sh", ShellProgram("printf hello > \"$x.b\"; printf 100 > \"$x.c\"\n"));
    EXPECT_EQ(Status(Get("/Extension/silent.sh")), "HTTP/1.1 504");
    EXPECT_EQ(Status(Get("/Extension/short.sh")), "HTTP/1.1 504");
    EXPECT_EQ(Status(Get("/Extension/headless.sh")), "HTTP/1.1 500");
}

TEST_F(ExtensionErrorTest, AMissingBodyFileLeavesTheHeadAlone)
{
    const std::string missing = (server.home().path() / "missing.txt").string();
    programs.Add("plain.sh", ShellProgram("printf '" + missing + "' > \"$x.b\"; printf 010 > \"$x.c\"\n"));
    programs.Add("chunked.sh", ShellProgram("printf 001 > \"$x.c\"\n"));
    const std::string server_line = "Date: *\r\nServer: Vireo 6.5 (https://quillmark.example/vireo)\r\n\r\n";
    EXPECT_EQ(Answer(Get("/Extension/plain.sh")),
              "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 0\r\n" + server_line);
    EXPECT_EQ(Answer(Get("/Extension/chunked.sh")),
              "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n" + server_line);
}

// The system refuses to grow files beyond a size limit; the request then cannot be written down.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        old_handler_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, old_handler_);
    }

private:
    rlimit old_{};
    sighandler_t old_handler_;
};

TEST_F(ExtensionErrorTest, ServiceUnavailableWhenTheRequestCannotBeWrittenDown)
{
    programs.Add("echo.sh", ShellProgram("cp \"$x.r\" \"$x.b\"; printf 000 > \"$x.c\"\n"));
    const std::string body(256 * 1024, 'b');
    const std::string post =
        "POST /Extension/echo.sh HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(body.size()) +
        "\r\n\r\n" + body;
    {
        FileSizeLimit limit(64 * 1024);
        EXPECT_EQ(Status(post), "HTTP/1.1 503");
    }
    EXPECT_EQ(Status(post), "HTTP/1.1 200 OK");
}

}  // namespace
}  // namespace vireo::testing
