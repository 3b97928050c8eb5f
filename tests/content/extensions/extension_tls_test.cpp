// Extension programs answer over TLS as over plain HTTP: the answer that follows the program as it
// writes, and the request body it is handed, pass through the TLS session unchanged.
#include <gtest/gtest.h>

#include <string>

#include "content/extensions/extension_site.h"
#include "site/site_tls.h"
#include "support/child_process.h"

namespace vireo::testing {
namespace {

class ExtensionTlsTest : public ExtensionSiteTest {
protected:
    ProgramResult Curl(std::vector<std::string> arguments) const
    {
        const auto files = SiteTlsFiles();
        arguments.insert(arguments.begin(), {"/usr/bin/curl", "-s", "--max-time", "20", "--cacert",
                                             files ? files->certificate.string() : std::string()});
        return RunProgram(arguments);
    }
    std::string Https(std::string_view path) const
    {
        return "https://127.0.0.1:" + std::to_string(server.port()) + std::string(path);
    }
};

TEST_F(ExtensionTlsTest, AnAnswerThatFollowsTheProgramAndABodyHandedToIt)
{
    programs.Add("live.sh", ShellProgram("printf 'one ' > \"$x.b\"; printf 001 > \"$x.c\"; sleep 0.5\n"
                                         "printf 'two ' >> \"$x.b\"; sleep 0.5; printf three >> \"$x.b\"\n"));
    // The program is handed the whole request, body included, and sends it back.
    programs.Add("echo.sh", ShellProgram("cp \"$x.r\" \"$x.b\"; printf 000 > \"$x.c\"\n"));
    EXPECT_EQ(Curl({Https("/Extension/live.sh")}).output, "one two three");
    std::string body;
    for (int i = 0; body.size() < 100000; ++i) body += std::to_string(i) + ",";
    const std::string echoed = Curl({"--data-binary", body, Https("/Extension/echo.sh")}).output;
    EXPECT_TRUE(echoed.starts_with("POST /Extension/echo.sh HTTP/1.1\r\n")) << echoed.substr(0, 200);
    EXPECT_TRUE(echoed.ends_with("\r\n\r\n" + body));
    EXPECT_TRUE(site.ExchangeFilesGo());
}

}  // namespace
}  // namespace vireo::testing
