#include "http/request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/printable.h"

namespace vireo {
namespace {

struct RequestLineCase {
    const char* name;
    std::string bytes;
    Method method;
    std::string_view url;
    std::string_view query;
    bool well_formed;
};

void PrintTo(const RequestLineCase& c, std::ostream* os)
{
    *os << c.name;
}

class RequestLineTest : public ::testing::TestWithParam<RequestLineCase> {};

TEST_P(RequestLineTest, SplitsMethodUrlAndQuery)
{
    const RequestLineCase& c = GetParam();
    Request request;
    request.Parse(c.bytes);
    EXPECT_EQ(request.method(), c.method);
    EXPECT_EQ(request.Url(), c.url);
    EXPECT_EQ(request.Query(), c.query);
    EXPECT_EQ(request.IsWellFormed(), c.well_formed);
    EXPECT_FALSE(request.IsMalicious());
    // The texts handed out end in a zero byte, so they can go to C calls as they are.
    EXPECT_EQ(request.Url().data()[request.Url().size()], '\0');
    EXPECT_EQ(request.Query().data()[request.Query().size()], '\0');
}

INSTANTIATE_TEST_SUITE_P(
    Request, RequestLineTest,
    ::testing::Values(
        RequestLineCase{"EncodedPathAndQuery", "GET /a%20b?x=1 HTTP/1.1\r\n\r\n", Method::Get, "/a%20b",
                        "x=1", true},
        RequestLineCase{"NoVersion", "GET /\r\n\r\n", Method::Get, "/", "", true},
        RequestLineCase{"MethodAlone", "GET\r\n\r\n", Method::Get, "", "", false},
        RequestLineCase{"NoLineEndAtAll", "GET /x HTTP/1.1", Method::Get, "/x", "", true},
        RequestLineCase{"LeadingBlankLines", "\r\n\r\n \t\nGET /x HTTP/1.1\r\n\r\n", Method::Get, "/x", "",
                        true},
        RequestLineCase{"LowerCaseMethod", "get /x HTTP/1.1\r\n\r\n", Method::Get, "/x", "", true},
        RequestLineCase{"MixedCaseMethod", "hEaD /x HTTP/1.1\r\n\r\n", Method::Head, "/x", "", true},
        RequestLineCase{"Post", "POST /up HTTP/1.1\r\n\r\n", Method::Post, "/up", "", true},
        RequestLineCase{"Options", "OPTIONS * HTTP/1.1\r\n\r\n", Method::Options, "*", "", true},
        RequestLineCase{"Delete", "DELETE /d HTTP/1.1\r\n\r\n", Method::Delete, "/d", "", true},
        RequestLineCase{"Put", "PUT /p HTTP/1.1\r\n\r\n", Method::Put, "/p", "", true},
        RequestLineCase{"Trace", "TRACE /t HTTP/1.1\r\n\r\n", Method::Trace, "/t", "", true},
        RequestLineCase{"UnknownMethod", "PATCH /x HTTP/1.1\r\n\r\n", Method::Unknown, "/x", "", false},
        RequestLineCase{"MethodPrefixIsNotTheMethod", "GETX /x HTTP/1.1\r\n\r\n", Method::Unknown, "/x", "",
                        false},
        RequestLineCase{"LongMethodIsCutAndUnknown", std::string(5000, 'G') + " /x HTTP/1.1\r\n\r\n",
                        Method::Unknown, "/x", "", false},
        RequestLineCase{"MethodOfThirtyOneBytes", "GET" + std::string(28, 'T') + " /x\r\n\r\n",
                        Method::Unknown, "/x", "", false},
        RequestLineCase{"HighBytesInMethod", "G\xC3\xA9T /x\r\n\r\n", Method::Unknown, "/x", "", false},
        RequestLineCase{"TabsSeparate", "GET\t\t/t\tHTTP/1.1\r\n\r\n", Method::Get, "/t", "", true},
        RequestLineCase{"SeveralSpaces", "GET   /s   HTTP/1.1\r\n\r\n", Method::Get, "/s", "", true},
        RequestLineCase{"BlanksAfterQuestionMark", "GET /t?\t q HTTP/1.1\r\n\r\n", Method::Get, "/t", "q",
                        true},
        // Only the first "?" splits; the query keeps the rest.
        RequestLineCase{"SecondQuestionMark", "GET /a?b?c HTTP/1.1\r\n\r\n", Method::Get, "/a", "b?c", true},
        RequestLineCase{"EmptyQueryAtEnd", "GET /a?\r\n\r\n", Method::Get, "/a", "", true},
        // Blanks after "?" are skipped, so the version is taken for the query.
        RequestLineCase{"EmptyQueryBeforeVersion", "GET /a? HTTP/1.1\r\n\r\n", Method::Get, "/a", "HTTP/1.1",
                        true},
        RequestLineCase{"QuestionMarkAfterBlankIsNotAQuery", "GET /a ?b\r\n\r\n", Method::Get, "/a", "",
                        true},
        RequestLineCase{"EchoUrl", "GET /photos/?? HTTP/1.1\r\n\r\n", Method::Get, "/photos/", "?", true},
        RequestLineCase{"CarriageReturnsOnly", "GET /c HTTP/1.1\rHost: h\r\r", Method::Get, "/c", "", true},
        RequestLineCase{"LineFeedsOnly", "GET /l HTTP/1.1\nHost: h\n\n", Method::Get, "/l", "", true},
        RequestLineCase{"HighBytesInUrl", "GET /caf\xC3\xA9 HTTP/1.1\r\n\r\n", Method::Get, "/caf\xC3\xA9",
                        "", true}));

TEST(Request, NothingButBlanksLeavesTheRequestReset)
{
    for (std::string bytes : {"", "\r\n\r\n", " \t \r\n", "\n"}) {
        Request request;
        request.Parse(bytes);
        EXPECT_EQ(request.method(), Method::Unknown) << bytes;
        EXPECT_TRUE(request.Url().empty());
        EXPECT_TRUE(request.RawText().empty());
        EXPECT_FALSE(request.IsMalicious());
        EXPECT_FALSE(request.IsWellFormed());
    }
}

TEST(Request, RawTextIsTheHeaderAsReceivedWithTwoZerosBehind)
{
    std::string bytes = "\r\nGET /x HTTP/1.1\r\nHost:  h \r\n\r\n";
    Request request;
    request.Parse(bytes.data(), bytes.size());
    // The caller's buffer may change afterwards; the request keeps its own copy.
    bytes.assign(bytes.size(), 'z');
    EXPECT_EQ(request.RawText(), "\r\nGET /x HTTP/1.1\r\nHost:  h \r\n\r\n");
    EXPECT_EQ(request.RawText().data()[request.RawText().size()], '\0');
    EXPECT_EQ(request.RawText().data()[request.RawText().size() + 1], '\0');
    EXPECT_EQ(request.Url(), "/x");
    EXPECT_EQ(request.Header("Host"), "h ");
}

TEST(Request, ParsesItsOwnRawTextAgain)
{
    Request request;
    request.Parse("GET /again?q HTTP/1.1\r\nHost: h\r\n\r\n");
    request.Parse(request.RawText());
    EXPECT_EQ(request.Url(), "/again");
    EXPECT_EQ(request.Query(), "q");
    EXPECT_EQ(request.Header("Host"), "h");
    EXPECT_EQ(request.RawText(), "GET /again?q HTTP/1.1\r\nHost: h\r\n\r\n");
}

TEST(Request, ParseAndResetStartOver)
{
    Request request;
    request.Parse("POST /first?q HTTP/1.1\r\nContent-Length: 5\r\n\r\n");
    request.Parse("GET /second HTTP/1.1\r\n\r\n");
    EXPECT_EQ(request.method(), Method::Get);
    EXPECT_EQ(request.Url(), "/second");
    EXPECT_EQ(request.Query(), "");
    EXPECT_FALSE(request.ContentLength().has_value());

    request.Reset();
    EXPECT_EQ(request.method(), Method::Unknown);
    EXPECT_EQ(request.Url(), "");
    EXPECT_EQ(request.RawText(), "");
    EXPECT_EQ(request.Header("Host"), "");
    EXPECT_NE(request.Url().data(), nullptr);
}

const char* const kHeaderBlock =
    "GET / HTTP/1.1\r\n"
    "Host: example\r\n"
    "Range-Unit: pages\r\n"
    "Range: bytes=0-9\r\n"
    "content-type:\t text/plain\r\n"
    "X-Folded: first\r\n"
    "   second part\r\n"
    "Accept:x  \r\n"
    "Empty:\r\n"
    "\r\n";

struct HeaderCase {
    std::string_view name;
    std::string_view value;
};

void PrintTo(const HeaderCase& c, std::ostream* os)
{
    *os << testing::Printable(c.name);
}

class HeaderLookupTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderLookupTest, FindsTheFirstLineStartingWithTheName)
{
    Request request;
    request.Parse(kHeaderBlock);
    std::string_view value = request.Header(GetParam().name);
    EXPECT_EQ(value, GetParam().value);
    EXPECT_EQ(value.data()[value.size()], '\0');
}

INSTANTIATE_TEST_SUITE_P(
    Request, HeaderLookupTest,
    ::testing::Values(HeaderCase{"Host", "example"}, HeaderCase{"HOST", "example"},
                      HeaderCase{"host", "example"},
                      // A prefix test: "Range" finds "Range-Unit" first, and only blanks and colons
                      // are skipped after the name.
                      HeaderCase{"Range", "-Unit: pages"}, HeaderCase{"Range:", "bytes=0-9"},
                      HeaderCase{"Content-Type", "text/plain"}, HeaderCase{"Ho", "st: example"},
                      HeaderCase{"X-Folded", "first"},
                      // A folded continuation becomes a line of its own without its leading blanks.
                      HeaderCase{"second", "part"}, HeaderCase{"Accept", "x  "}, HeaderCase{"Empty", ""},
                      HeaderCase{"Missing", ""}, HeaderCase{"", ""},
                      // The request line is no header.
                      HeaderCase{"GET", ""}));

TEST(Request, ContentTypeIsTheContentTypeHeader)
{
    Request request;
    request.Parse(kHeaderBlock);
    EXPECT_EQ(request.ContentType(), "text/plain");
}

struct ContentLengthCase {
    std::string header_line;
    std::optional<std::uint64_t> length;
};

void PrintTo(const ContentLengthCase& c, std::ostream* os)
{
    *os << testing::Printable(c.header_line);
}

class ContentLengthTest : public ::testing::TestWithParam<ContentLengthCase> {};

TEST_P(ContentLengthTest, ReadsAnUnsignedDecimal)
{
    Request request;
    request.Parse("POST /x HTTP/1.1\r\n" + GetParam().header_line + "\r\n\r\n");
    EXPECT_EQ(request.ContentLength(), GetParam().length) << GetParam().header_line;
}

INSTANTIATE_TEST_SUITE_P(
    Request, ContentLengthTest,
    ::testing::Values(ContentLengthCase{"Content-Length: 42", 42}, ContentLengthCase{"content-length:0", 0},
                      ContentLengthCase{"Content-Length: 12 \t", 12},
                      ContentLengthCase{"Content-Length: 18446744073709551615", 18446744073709551615ull},
                      ContentLengthCase{"Content-Length: 18446744073709551616", std::nullopt},
                      ContentLengthCase{"Content-Length: -1", std::nullopt},
                      ContentLengthCase{"Content-Length: +5", std::nullopt},
                      ContentLengthCase{"Content-Length: 12abc", std::nullopt},
                      ContentLengthCase{"Content-Length: 1 2", std::nullopt},
                      ContentLengthCase{"Content-Length: abc", std::nullopt},
                      ContentLengthCase{"Content-Length:", std::nullopt},
                      ContentLengthCase{"X-Other: 5", std::nullopt}));

// Every byte that may not appear in a header, and every byte that may.
TEST(Request, ForbiddenBytesMarkTheRequestMaliciousAndLeaveItReset)
{
    std::vector<unsigned char> forbidden = {0x00, 0x7F, 0xFF};
    for (unsigned char b = 0x01; b < 0x20; ++b) {
        if (b != '\t' && b != '\n' && b != '\r') forbidden.push_back(b);
    }
    for (unsigned char b : forbidden) {
        std::string bytes = "GET /x HTTP/1.1\r\nHost: a";
        bytes.push_back(static_cast<char>(b));
        bytes += "\r\n\r\n";
        Request request;
        request.Parse(bytes);
        EXPECT_TRUE(request.IsMalicious()) << int(b);
        EXPECT_EQ(request.method(), Method::Unknown) << int(b);
        EXPECT_EQ(request.Url(), "") << int(b);
        EXPECT_EQ(request.RawText(), "") << int(b);
        EXPECT_EQ(request.Header("Host"), "") << int(b);
        EXPECT_FALSE(request.IsWellFormed()) << int(b);

        // The next parse clears the flag.
        request.Parse("GET /x HTTP/1.1\r\n\r\n");
        EXPECT_FALSE(request.IsMalicious());
    }
}

TEST(Request, BytesFrom0x80To0xFEAreAllowed)
{
    for (int b = 0x80; b <= 0xFE; ++b) {
        std::string bytes = "GET /x HTTP/1.1\r\nUser-Agent: ";
        bytes.push_back(static_cast<char>(b));
        bytes += "\r\n\r\n";
        Request request;
        request.Parse(bytes);
        EXPECT_FALSE(request.IsMalicious()) << b;
        EXPECT_EQ(request.Header("User-Agent"), std::string(1, static_cast<char>(b))) << b;
        EXPECT_TRUE(request.IsWellFormed()) << b;
    }
}

struct WellFormedCase {
    const char* name;
    std::string url;
    bool well_formed;
};

void PrintTo(const WellFormedCase& c, std::ostream* os)
{
    *os << c.name;
}

class WellFormedTest : public ::testing::TestWithParam<WellFormedCase> {};

TEST_P(WellFormedTest, LimitsTheFirstPathSegment)
{
    Request request;
    request.Parse("GET " + GetParam().url + " HTTP/1.1\r\n\r\n");
    EXPECT_EQ(request.IsWellFormed(), GetParam().well_formed);
}

INSTANTIATE_TEST_SUITE_P(
    Request, WellFormedTest,
    ::testing::Values(WellFormedCase{"Root", "/", true}, WellFormedCase{"OnlySeparators", "//\\\\/", true},
                      WellFormedCase{"Folder47", "/" + std::string(47, 'a') + "/x", true},
                      WellFormedCase{"Folder48", "/" + std::string(48, 'a') + "/x", false},
                      WellFormedCase{"Folder47Backslash", "/" + std::string(47, 'a') + "\\x", true},
                      WellFormedCase{"Folder48Backslash", "/" + std::string(48, 'a') + "\\x", false},
                      WellFormedCase{"Folder48TrailingSeparator", "/" + std::string(48, 'a') + "/", false},
                      WellFormedCase{"Single259", "/" + std::string(259, 'a'), true},
                      WellFormedCase{"Single260", "/" + std::string(260, 'a'), false},
                      // Leading separators of either kind are skipped before counting.
                      WellFormedCase{"LeadingSeparators", "//\\/" + std::string(47, 'a') + "/x", true},
                      // Counted after decoding: 48 encoded letters are 48 bytes, not 144.
                      WellFormedCase{"EncodedFolder47",
                                     "/" +
                                         [] {
                                             std::string s;
                                             for (int i = 0; i < 47; ++i) s += "%41";
                                             return s;
                                         }() +
                                         "/",
                                     true},
                      WellFormedCase{"EncodedFolder48",
                                     "/" +
                                         [] {
                                             std::string s;
                                             for (int i = 0; i < 48; ++i) s += "%41";
                                             return s;
                                         }() +
                                         "/",
                                     false},
                      // An encoded slash separates too.
                      WellFormedCase{"EncodedSeparator", "/" + std::string(48, 'a') + "%2Fx", false},
                      WellFormedCase{"LaterSegmentsAreNotLimited", "/a/" + std::string(300, 'b'), true},
                      WellFormedCase{"RelativeTarget", "x", true}));

}  // namespace
}  // namespace vireo
