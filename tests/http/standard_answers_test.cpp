#include "http/standard_answers.h"

#include <gtest/gtest.h>

#include <string>

#include "support/loopback.h"
#include "support/page_bytes.h"
#include "support/printable.h"
#include "support/response_bytes.h"

namespace vireo::testing {
namespace {

const std::string kEchoBanner =
    "<table width=\"100%\" cols=\"2\">\r\n<tr>\r\n<td align=\"left\" vAlign=\"middle\"><h3 "
    "style=\"color:#000000;margin-top:9;margin-bottom:9\">Request Echo</h3></td>\r\n<td align=\"right\" "
    "vAlign=\"middle\"><a style=\"color:#0000ff\" href=\"/\">Home</a></td>\r\n</tr>\r\n</table>\r\n<hr "
    "size=\"1\">\r\n";

// An answer with no body: the standard head, the given header lines and a length of 0.
std::string HeaderOnly(std::string_view status_line, std::string_view more_headers = {})
{
    return AnswerStart(status_line) + std::string(more_headers) + "Content-Length: 0\r\n\r\n";
}

template <typename Build>
std::string Answer(Build build)
{
    Response response;
    build(response);
    EXPECT_TRUE(response.IsFinished());
    return MaskDate(ReadAll(response));
}

TEST(StandardAnswers, NotModifiedIsAHeaderAlone)
{
    EXPECT_EQ(Answer(BuildNotModified), HeaderOnly("HTTP/1.1 304 Not Modified"));
}

TEST(StandardAnswers, NoContentErrorPageIsAHeaderAlone)
{
    EXPECT_EQ(Answer([](Response& r) { BuildErrorPage(r, 204, "GET /x HTTP/1.1\r\n\r\n"); }),
              HeaderOnly("HTTP/1.1 204 No Content"));
}

TEST(StandardAnswers, UnauthorizedAsksForBasicCredentials)
{
    EXPECT_EQ(Answer(BuildUnauthorized),
              HeaderOnly("HTTP/1.1 401 Unauthorized", "WWW-Authenticate: Basic realm=\"Vireo\"\r\n"));
}

TEST(StandardAnswers, ErrorPageShowsTheRequestEscaped)
{
    EXPECT_EQ(Answer([](Response& r) {
                  BuildErrorPage(r, 405, "DELETE /<b>x</b> HTTP/1.1\r\n\r\n  Host: a&b\r\n\r\n");
              }),
              ErrorPage("HTTP/1.1 405", "Error 405 (Method Not Allowed)",
                        "DELETE /&lt;b&gt;x&lt;/b&gt; HTTP/1.1<br>\r\nHost: a&amp;b<br>\r\n"));
}

TEST(StandardAnswers, ErrorPageWithoutRequestText)
{
    EXPECT_EQ(Answer([](Response& r) { BuildErrorPage(r, 404, ""); }),
              ErrorPage("HTTP/1.1 404 Not Found", "Error 404 (Not Found)", ""));
}

struct ReasonCase {
    unsigned status;
    std::string_view status_line;
    std::string_view heading;
};

void PrintTo(const ReasonCase& c, std::ostream* os)
{
    *os << c.status;
}

class ErrorReasonTest : public ::testing::TestWithParam<ReasonCase> {};

TEST_P(ErrorReasonTest, NamesTheStatus)
{
    const ReasonCase& c = GetParam();
    EXPECT_EQ(Answer([&](Response& r) { BuildErrorPage(r, c.status, "X\r\n"); }),
              ErrorPage(c.status_line, c.heading, "X<br>\r\n"));
}

INSTANTIATE_TEST_SUITE_P(
    StandardAnswers, ErrorReasonTest,
    ::testing::Values(ReasonCase{400, "HTTP/1.1 400 Bad Request", "Error 400 (Bad Request)"},
                      ReasonCase{401, "HTTP/1.1 401 Unauthorized", "Error 401 (Unauthorized)"},
                      ReasonCase{403, "HTTP/1.1 403 Forbidden", "Error 403 (Forbidden)"},
                      ReasonCase{404, "HTTP/1.1 404 Not Found", "Error 404 (Not Found)"},
                      ReasonCase{405, "HTTP/1.1 405", "Error 405 (Method Not Allowed)"},
                      ReasonCase{406, "HTTP/1.1 406", "Error 406 (Not Acceptable)"},
                      // Without a reason text the blank after the number stays.
                      ReasonCase{402, "HTTP/1.1 402", "Error 402 "},
                      ReasonCase{500, "HTTP/1.1 500", "Error 500 "}));

TEST(StandardAnswers, RedirectEscapesTheLocationInsideTheLink)
{
    std::string body =
        "<HTML>\r\n<HEAD>\r\n<TITLE>302 Found</TITLE>\r\n</HEAD>\r\n<BODY>\r\n<H1>Found</H1>\r\n"
        "<p>The document has moved <A HREF=\"/a "
        "b/&quot;x&quot;&lt;y&gt;&amp;\">here</A>.<P>\r\n<HR>\r\n</BODY>\r\n"
        "</HTML>\r\n";
    EXPECT_EQ(Answer([](Response& r) { BuildRedirect(r, "/a b/\"x\"<y>&"); }),
              AnswerStart("HTTP/1.1 302 Found") + "Content-Type: text/html\r\nLocation: /a b/\"x\"<y>&\r\n" +
                  "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
}

struct EchoCase {
    std::string_view request_text;
    std::string_view lines;
};

void PrintTo(const EchoCase& c, std::ostream* os)
{
    *os << Printable(c.request_text);
}

class EchoPageTest : public ::testing::TestWithParam<EchoCase> {};

// Blank lines and the blanks that start a line are dropped; the rest is escaped.
TEST_P(EchoPageTest, ShowsTheRequestLines)
{
    EXPECT_EQ(Answer([](Response& r) { BuildEchoPage(r, GetParam().request_text); }),
              HtmlAnswer("HTTP/1.1 200 OK", PageHead("Request Echo") + kEchoBanner +
                                                std::string(GetParam().lines) + PageFooter()));
}

INSTANTIATE_TEST_SUITE_P(
    StandardAnswers, EchoPageTest,
    ::testing::Values(EchoCase{"GET /x??"
                               "<script>alert(\"hi\")</script> HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n",
                               "GET /x??&lt;script&gt;alert(&quot;hi&quot;)&lt;/script&gt; HTTP/1.1<br>\r\n"
                               "Host: 127.0.0.1<br>\r\n</p>\r\n"},
                      EchoCase{"A\r\nB", "A<br>\r\nB<br>\r\n</p>\r\n"},
                      EchoCase{"\r\n\r\n  A  \r\n", "A  <br>\r\n</p>\r\n"},
                      EchoCase{"A\rB\nC", "A<br>\r\nB<br>\r\nC<br>\r\n</p>\r\n"},
                      // Only spaces and line ends are dropped at a line's start; a TAB stays.
                      EchoCase{"\tA", "\tA<br>\r\n</p>\r\n"}, EchoCase{" \r\n ", "</p>\r\n"},
                      EchoCase{"", ""}));

}  // namespace
}  // namespace vireo::testing
