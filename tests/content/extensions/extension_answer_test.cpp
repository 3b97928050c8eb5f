// The answers a site owner's program gives through its files, as a visitor receives them over a real
// socket: heads the server builds or the program wrote, plain and chunked bodies, HEAD, the
// program's arguments, and the extension home page.
#include <gtest/gtest.h>

#include <regex>

#include "content/extensions/extension_site.h"
#include "platform/content_types.h"
#include "settings/settings.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kServerLine = "Server: Vireo 6.5 (https://quillmark.example/vireo)\r\n";

std::string BuiltHead(std::string_view type, std::string_view framing)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(type) + "\r\n" + std::string(framing) +
           "\r\nDate: *\r\n" + std::string(kServerLine) + "\r\n";
}

class ExtensionAnswerTest : public ExtensionSiteTest {};

TEST_F(ExtensionAnswerTest, BuiltHeadsTypeAndMeasureTheBody)
{
    const fs::path page = server.home().path() / "notes.txt";
    WriteFile(page, "a text file\n");
    programs.Add("html", ShellProgram("printf hello > \"$x.b\"; printf 000 > \"$x.c\"\n"), true);
    // The path may be padded and end in a line end; what follows the three characters is ignored.
    programs.Add("named.sh", ShellProgram("printf '  %s \\r\\n' \"" + page.string() +
                                          "\" > \"$x.b\"; printf 010xyz > \"$x.c\"\n"));
    programs.Add("typed.py",
                 "import sys, os\n"
                 "x = os.path.join(os.path.dirname(sys.argv[0]), sys.argv[1])\n"
                 "open(x + '.b', 'w').write('typed by the body file name')\n"
                 "open(x + '.c', 'w').write('0x0')\n");

    EXPECT_EQ(Answer(Get("/Extension/html")), BuiltHead("text/html", "Content-Length: 5") + "hello");
    EXPECT_EQ(Answer(Get("/extension/named.sh")),
              BuiltHead("text/plain", "Content-Length: 12") + "a text file\n");
    EXPECT_EQ(Answer(Get("/EXTENSION/typed.py?q=1")),
              BuiltHead(ContentTypeFor("1-1.b"), "Content-Length: 27") + "typed by the body file name");
    EXPECT_TRUE(fs::exists(page));
}

TEST_F(ExtensionAnswerTest, AHeadFileIsSentAsWrittenWithTheBodyFramedAsTheControlSays)
{
    const std::string plain_head = "HTTP/1.1 201 Created\r\nX-Made-By: test\r\nContent-Length: 3\r\n\r\n";
    const std::string chunked_head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    programs.Add("plain.sh", ShellProgram("printf '" + plain_head +
                                          "' > \"$x.h\"; printf abc > \"$x.b\"; printf 100 > \"$x.c\"\n"));
    programs.Add("chunked.sh", ShellProgram("printf '" + chunked_head +
                                            "' > \"$x.h\"; printf abc > \"$x.b\"; printf 101 > \"$x.c\"\n"));

    EXPECT_EQ(Answer(Get("/Extension/plain.sh")), plain_head + "abc");
    EXPECT_EQ(Answer(Get("/Extension/chunked.sh")), chunked_head + "3\r\nabc\r\n0\r\n\r\n");
}

TEST_F(ExtensionAnswerTest, ChunkedAnswersFollowTheProgramUntilItEnds)
{
    programs.Add("whole.sh", ShellProgram("printf hello > \"$x.b\"; printf 001 > \"$x.c\"\n"));
    programs.Add("live.sh", ShellProgram("printf 'one ' > \"$x.b\"; printf 001 > \"$x.c\"; sleep 0.5\n"
                                         "printf 'two ' >> \"$x.b\"; sleep 0.5; printf three >> \"$x.b\"\n"));
    // Only what is appended after the server opened the file counts; the server opens it at once
    // after the control file appears, well within the program's pause.
    programs.Add("appended.sh", ShellProgram("printf old > \"$x.b\"; printf 002 > \"$x.c\"; sleep 1.5\n"
                                             "printf new >> \"$x.b\"\n"));

    const std::string head = BuiltHead("text/html", "Transfer-Encoding: chunked");
    EXPECT_EQ(Answer(Get("/Extension/whole.sh")), head + "5\r\nhello\r\n0\r\n\r\n");
    const std::string live = Answer(Get("/Extension/live.sh"));
    EXPECT_TRUE(live.starts_with(head)) << live;
    EXPECT_EQ(Unchunk(BodyOf(live)), "one two three");
    const std::string appended = Answer(Get("/Extension/appended.sh"));
    EXPECT_TRUE(appended.starts_with(head)) << appended;
    EXPECT_EQ(Unchunk(BodyOf(appended)), "new");
}

TEST_F(ExtensionAnswerTest, HeadRunsTheProgramAndSendsTheHeadAlone)
{
    programs.Add("page.sh",
                 ShellProgram("touch \"$d/ran\"; printf hello > \"$x.b\"; printf 000 > \"$x.c\"\n"));
    EXPECT_EQ(Answer(Get("/Extension/page.sh", "HEAD")), BuiltHead("text/html", "Content-Length: 5"));
    EXPECT_TRUE(fs::exists(programs.path / "ran"));
}

TEST_F(ExtensionAnswerTest, ProgramsGetTheirPathTheIdentifierAndTheVisitorAsArguments)
{
    const std::string shell =
        ShellProgram("printf '%s|%s|%s' \"$0\" \"$1\" \"$2\" > \"$x.b\"; printf 000 > \"$x.c\"\n");
    const fs::path direct = programs.Add("direct", shell, true);
    const fs::path script = programs.Add("script.SH", shell);
    const fs::path python = programs.Add("args.py",
                                         "import sys, os\n"
                                         "x = os.path.join(os.path.dirname(sys.argv[0]), sys.argv[1])\n"
                                         "open(x + '.b', 'w').write('|'.join(sys.argv))\n"
                                         "open(x + '.c', 'w').write('000')\n");
    for (const fs::path& program : {direct, script, python}) {
        const std::string body = BodyOf(Answer(Get("/Extension/" + program.filename().string())));
        const std::regex expected(
            std::regex_replace(program.string(), std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") +
            R"(\|[0-9]+-[0-9]+\|127\.0\.0\.1:[0-9]+)");
        EXPECT_TRUE(std::regex_match(body, expected)) << body;
    }
}

TEST_F(ExtensionAnswerTest, TheExtensionHomePageReachesTheProgram)
{
    programs.Add("home page.sh", ShellProgram("printf 'the home page' > \"$x.b\"; printf 000 > \"$x.c\"\n"));
    ASSERT_TRUE(SetHomePageType(2));
    ASSERT_TRUE(SetHomePageFile("home page.sh"));

    const std::string redirect = Answer(Get("/"));
    ASSERT_EQ(StatusLineOf(redirect), "HTTP/1.1 302 Found");
    const std::string address = "http://127.0.0.1:" + std::to_string(server.port());
    const std::size_t at = redirect.find("\r\nLocation: " + address);
    ASSERT_NE(at, std::string::npos) << redirect;
    const std::size_t from = at + 12 + address.size();
    const std::string target = redirect.substr(from, redirect.find("\r\n", from) - from);
    EXPECT_EQ(target, "/Extension/home%20page.sh");
    EXPECT_EQ(BodyOf(Answer(Get(target))), "the home page");
}

}  // namespace
}  // namespace vireo::testing
