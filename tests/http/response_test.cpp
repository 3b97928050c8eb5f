#include "http/response.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>

#include "http/http_date.h"
#include "support/loopback.h"
#include "support/page_bytes.h"
#include "support/response_bytes.h"
#include "support/test_home.h"

namespace vireo {
namespace {

using testing::MaskDate;
using testing::PageFooter;
using testing::PageHead;
using testing::ReadAll;

constexpr std::string_view kStandardHead =
    "Date: *\r\nServer: Vireo 6.5 (https://quillmark.example/vireo)\r\n";

struct StatusCase {
    unsigned status;
    std::string_view line;
};

void PrintTo(const StatusCase& c, std::ostream* os)
{
    *os << c.status;
}

class StatusLineTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(StatusLineTest, StartsTheHeader)
{
    Response response;
    response.BeginResponse(GetParam().status);
    ASSERT_TRUE(response.Finish());
    EXPECT_TRUE(ReadAll(response).starts_with(GetParam().line));
}

INSTANTIATE_TEST_SUITE_P(Response, StatusLineTest,
                         ::testing::Values(StatusCase{200, "HTTP/1.1 200 OK\r\nDate: "},
                                           StatusCase{204, "HTTP/1.1 204 No Content\r\nDate: "},
                                           StatusCase{206, "HTTP/1.1 206 Partial Content\r\nDate: "},
                                           StatusCase{302, "HTTP/1.1 302 Found\r\nDate: "},
                                           StatusCase{304, "HTTP/1.1 304 Not Modified\r\nDate: "},
                                           StatusCase{400, "HTTP/1.1 400 Bad Request\r\nDate: "},
                                           StatusCase{401, "HTTP/1.1 401 Unauthorized\r\nDate: "},
                                           StatusCase{403, "HTTP/1.1 403 Forbidden\r\nDate: "},
                                           StatusCase{404, "HTTP/1.1 404 Not Found\r\nDate: "},
                                           StatusCase{405, "HTTP/1.1 405\r\nDate: "},
                                           StatusCase{500, "HTTP/1.1 500\r\nDate: "}));

TEST(Response, HeadersComeInTheOrderTheyWereAdded)
{
    Response response;
    response.BeginResponse(200);
    response.AddHeader("X-First", "1");
    response.AddContentType();
    response.AddConnection();
    response.AddDateHeader("Last-Modified", 784111777);
    response.AddHeaderText("X-Raw: yes\r\n");
    response.AddHeaderText("");
    response.AddContentType("image/gif");
    response.AddConnection("keep-alive");
    response.AddBodyText("hello");
    response.AddBodyBytes("\0x", 2);
    ASSERT_TRUE(response.Finish());
    EXPECT_EQ(MaskDate(ReadAll(response)), "HTTP/1.1 200 OK\r\n" + std::string(kStandardHead) +
                                               "X-First: 1\r\n"
                                               "Content-Type: text/html\r\n"
                                               "Connection: close\r\n"
                                               "Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT\r\n"
                                               "X-Raw: yes\r\n"
                                               "Content-Type: image/gif\r\n"
                                               "Connection: keep-alive\r\n"
                                               "Content-Length: 7\r\n"
                                               "\r\n"
                                               "hello" +
                                               std::string("\0x", 2));
}

TEST(Response, NothingIsReadableBeforeFinish)
{
    Response response;
    response.BeginResponse(200);
    response.AddBodyText("body");
    char buffer[64];
    EXPECT_EQ(response.ReadNext(buffer, sizeof buffer), 0u);
    EXPECT_EQ(response.HeaderSize(), 0u);
    EXPECT_FALSE(response.IsFinished());
}

TEST(Response, FinishWithoutAStatusLineSendsNothing)
{
    Response response;
    response.AddBodyText("orphan");
    EXPECT_FALSE(response.IsComplete());
    EXPECT_FALSE(response.Finish());
    char buffer[64];
    EXPECT_EQ(response.ReadNext(buffer, sizeof buffer), 0u);
    EXPECT_EQ(response.HeaderSize(), 0u);
}

TEST(Response, FinishTwiceAddsOneContentLength)
{
    Response response;
    response.BeginResponse(200);
    response.AddBodyText("abc");
    ASSERT_TRUE(response.Finish());
    std::size_t header_size = response.HeaderSize();
    EXPECT_TRUE(response.Finish());
    EXPECT_EQ(response.HeaderSize(), header_size);
    std::string bytes = ReadAll(response);
    EXPECT_EQ(bytes.find("Content-Length"), bytes.rfind("Content-Length"));
    EXPECT_TRUE(bytes.ends_with("Content-Length: 3\r\n\r\nabc"));
}

TEST(Response, AppendsAfterFinishChangeNothing)
{
    Response response;
    response.BeginResponse(200);
    response.AddBodyText("abc");
    ASSERT_TRUE(response.Finish());

    response.AddHeaderText("X-Late: 1\r\n");
    response.AddHeader("X-Late", "2");
    response.AddDateHeader("Expires");
    response.AddExpires(1, 0);
    response.AddContentType();
    response.AddConnection();
    response.AddBodyText("late");
    response.AddBodyBytes("late", 4);
    response.BeginPage("Late", "#000000");
    response.AddPageFooter();
    EXPECT_TRUE(response.Finish());
    EXPECT_EQ(MaskDate(ReadAll(response)),
              "HTTP/1.1 200 OK\r\n" + std::string(kStandardHead) + "Content-Length: 3\r\n\r\nabc");
}

TEST(Response, BeginResponseStartsOver)
{
    Response response;
    response.BeginResponse(404);
    response.AddBodyText("first");
    ASSERT_TRUE(response.Finish());
    response.BeginResponse(304);
    EXPECT_FALSE(response.IsFinished());
    EXPECT_EQ(response.BodySize(), 0u);
    response.AddConnection();
    ASSERT_TRUE(response.Finish());
    EXPECT_EQ(MaskDate(ReadAll(response)), "HTTP/1.1 304 Not Modified\r\n" + std::string(kStandardHead) +
                                               "Connection: close\r\nContent-Length: 0\r\n\r\n");
}

TEST(Response, ReadNextNeverMixesHeaderAndBody)
{
    Response response;
    response.BeginResponse(200);
    std::string body(20000, 'b');
    response.AddBodyText(body);
    ASSERT_TRUE(response.Finish());
    std::size_t header_size = response.HeaderSize();

    for (std::size_t capacity : {std::size_t{1}, std::size_t{7}, std::size_t{100}, header_size - 1,
                                 header_size, std::size_t{8192}, std::size_t{100000}}) {
        Response r;
        r.BeginResponse(200);
        r.AddBodyText(body);
        ASSERT_TRUE(r.Finish());
        std::string buffer(capacity, '\0');
        std::size_t offset = 0;
        while (std::size_t n = r.ReadNext(buffer.data(), capacity)) {
            EXPECT_LE(n, capacity);
            // A piece that starts in the header ends at or before the header's end.
            if (offset < header_size) {
                EXPECT_LE(offset + n, header_size) << "capacity " << capacity;
            }
            offset += n;
        }
        EXPECT_EQ(offset, header_size + body.size()) << "capacity " << capacity;
    }
}

TEST(Response, BeginPageWritesTheHeadAndReplacesTheBody)
{
    Response response;
    response.BeginResponse(200);
    response.AddBodyText("dropped");
    response.BeginPage("My Title", "#123456", "<script src=\"x.js\"></script>");
    response.AddBodyText("content");
    response.AddPageFooter();
    ASSERT_TRUE(response.Finish());
    std::string bytes = ReadAll(response);
    std::string body = bytes.substr(response.HeaderSize());
    std::string expected = PageHead("My Title", "#123456");
    expected.insert(expected.find("</TITLE>\r\n") + 10, "<script src=\"x.js\"></script>");
    EXPECT_EQ(body, expected + "content" + PageFooter());
    EXPECT_NE(bytes.find("Content-Length: " + std::to_string(body.size()) + "\r\n"), std::string::npos);
}

TEST(Response, DateIsTheCurrentTime)
{
    Response response;
    response.BeginResponse(200);
    ASSERT_TRUE(response.Finish());
    std::string bytes = ReadAll(response);
    constexpr std::string_view kDate = "\r\nDate: ";
    std::size_t at = bytes.find(kDate) + kDate.size();
    std::optional<std::time_t> date =
        ParseHttpDate(std::string_view(bytes).substr(at, bytes.find("\r\n", at) - at));
    ASSERT_TRUE(date) << bytes;
    EXPECT_LE(std::abs(*date - std::time(nullptr)), 60);
}

TEST(Response, ExpiresIsTheCurrentTimePlusTheGivenHoursAndMinutes)
{
    Response response;
    response.BeginResponse(200);
    response.AddExpires(1, 30);
    ASSERT_TRUE(response.Finish());
    std::string bytes = ReadAll(response);
    auto value_of = [&](std::string_view name) {
        std::size_t at = bytes.find("\r\n" + std::string(name) + ": ") + name.size() + 4;
        return ParseHttpDate(std::string_view(bytes).substr(at, 29));
    };
    std::optional<std::time_t> date = value_of("Date");
    std::optional<std::time_t> expires = value_of("Expires");
    ASSERT_TRUE(date && expires) << bytes;
    EXPECT_NEAR(static_cast<double>(*expires - *date), 5400.0, 1.0);
}

TEST(Response, RemembersALocalClient)
{
    EXPECT_TRUE(Response(true).IsLocalClient());
    EXPECT_FALSE(Response().IsLocalClient());
}

class FileResponseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::mt19937 random(99);
        content_.resize(100000);
        for (char& c : content_) c = static_cast<char>(random());
        path_ = home_.path() / "data.bin";
        std::ofstream(path_, std::ios::binary)
            .write(content_.data(), static_cast<std::streamsize>(content_.size()));
    }

    UniqueFd Open(int flags = O_RDONLY) { return UniqueFd(::open(path_.c_str(), flags | O_CLOEXEC)); }

    testing::TestHome home_;
    std::filesystem::path path_;
    std::string content_;
};

TEST_F(FileResponseTest, SendsTheWholeFileInPieces)
{
    FileResponse response;
    response.SetFile(Open(), content_.size());
    response.BeginResponse(200);
    ASSERT_TRUE(response.Finish());
    EXPECT_TRUE(response.HasFile());
    EXPECT_EQ(response.FileSize(), content_.size());
    std::string bytes = ReadAll(response, 8192);
    EXPECT_NE(bytes.find("Content-Length: 100000\r\n\r\n"), std::string::npos);
    EXPECT_EQ(bytes.substr(response.HeaderSize()), content_);
    EXPECT_EQ(response.BodySize(), 0u);
}

TEST_F(FileResponseTest, SendsOneRange)
{
    FileResponse response;
    response.SetFile(Open(), content_.size());
    ASSERT_TRUE(response.SelectRange({1000, 1999}));
    response.BeginResponse(206);
    ASSERT_TRUE(response.Finish());
    std::string bytes = ReadAll(response, 333);
    EXPECT_NE(bytes.find("Content-Length: 1000\r\n\r\n"), std::string::npos);
    EXPECT_EQ(bytes.substr(response.HeaderSize()), content_.substr(1000, 1000));
}

TEST_F(FileResponseTest, RefusesARangeOutsideTheFile)
{
    FileResponse response;
    EXPECT_FALSE(response.SelectRange({0, 0}));
    response.SetFile(Open(), content_.size());
    EXPECT_FALSE(response.SelectRange({0, content_.size()}));
    EXPECT_FALSE(response.SelectRange({5, 4}));
    EXPECT_EQ(response.BodySize(), content_.size());
}

TEST_F(FileResponseTest, AFailingReadEndsTheBodyEarly)
{
    FileResponse response;
    response.SetFile(Open(O_WRONLY), content_.size());
    response.BeginResponse(200);
    ASSERT_TRUE(response.Finish());
    std::string bytes = ReadAll(response);
    EXPECT_EQ(bytes.size(), response.HeaderSize());
    EXPECT_NE(bytes.find("Content-Length: 100000\r\n"), std::string::npos);
}

TEST_F(FileResponseTest, AFileThatShrankEndsTheBodyAtItsEnd)
{
    FileResponse response;
    response.SetFile(Open(), content_.size());
    std::filesystem::resize_file(path_, 10);
    response.BeginResponse(200);
    ASSERT_TRUE(response.Finish());
    EXPECT_EQ(ReadAll(response).substr(response.HeaderSize()), content_.substr(0, 10));
}

TEST_F(FileResponseTest, WithoutAFileSendsTheTextBody)
{
    FileResponse response;
    response.BeginResponse(200);
    response.AddBodyText("thumbnail page");
    ASSERT_TRUE(response.Finish());
    EXPECT_FALSE(response.HasFile());
    EXPECT_TRUE(ReadAll(response).ends_with("Content-Length: 14\r\n\r\nthumbnail page"));
}

}  // namespace
}  // namespace vireo
