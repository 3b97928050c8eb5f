#include "content/files/file_delivery.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>

#include "settings/settings.h"
#include "site/resolve_url.h"
#include "support/exchange.h"
#include "support/loopback.h"
#include "support/response_bytes.h"
#include "support/socket_pair.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

// 2021-03-04 05:06:07.5 UTC: the half second must not count in the date comparisons.
constexpr timespec kLastWrite{1614834367, 500'000'000};
constexpr std::string_view kLastModified = "Thu, 04 Mar 2021 05:06:07 GMT";

std::string Pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + i % 26);
    return bytes;
}

class FileDeliveryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(share);
        content = Pattern(1000);
        WriteFile("data.txt", content);
        ASSERT_TRUE(WriteFolder("files", FolderSettings{share.string(), "", true, false, true, false}));
        tag = ResolveUrl("/files/data.txt").entity_tag;
        ASSERT_FALSE(tag.empty());
    }

    void WriteFile(const std::string& name, const std::string& bytes, timespec last_write = kLastWrite)
    {
        std::ofstream(share / name, std::ios::binary) << bytes;
        const timespec times[2] = {last_write, last_write};
        ASSERT_EQ(::utimensat(AT_FDCWD, (share / name).c_str(), times, 0), 0);
    }

    // The answer's bytes, or empty when nothing would be sent.
    std::string Build(std::string_view url, std::string_view if_modified_since = {},
                      std::string_view if_none_match = {}, std::string_view if_range = {},
                      std::string_view range = {})
    {
        FileResponse response;
        BuildFileResponse(response, ResolveUrl(url), if_modified_since, if_none_match, if_range, range);
        return response.IsFinished() ? MaskDate(ReadAll(response)) : std::string();
    }

    std::string Whole(std::string_view type = "text/plain") const
    {
        return "HTTP/1.1 200 OK\r\nDate: *\r\nServer: Vireo 6.5 (https://quillmark.example/vireo)\r\n"
               "Last-Modified: " +
               std::string(kLastModified) + "\r\nETag: " + tag +
               "\r\nAccept-Ranges: bytes\r\nConnection: close\r\nContent-Type: " + std::string(type) +
               "\r\nContent-Length: 1000\r\n\r\n" + content;
    }

    std::string Partial(std::uint64_t start, std::uint64_t end) const
    {
        return "HTTP/1.1 206 Partial Content\r\nDate: *\r\nServer: Vireo 6.5 "
               "(https://quillmark.example/vireo)\r\n"
               "Last-Modified: " +
               std::string(kLastModified) + "\r\nETag: " + tag +
               "\r\nAccept-Ranges: bytes\r\nContent-Range: bytes " + std::to_string(start) + "-" +
               std::to_string(end) +
               "/1000\r\nConnection: close\r\nContent-Type: text/plain\r\nContent-Length: " +
               std::to_string(end - start + 1) + "\r\n\r\n" + content.substr(start, end - start + 1);
    }

    TestHome home;
    std::filesystem::path share = home.path() / "share";
    std::string content;
    std::string tag;
};

const std::string kNotModified =
    "HTTP/1.1 304 Not Modified\r\nDate: *\r\nServer: Vireo 6.5 (https://quillmark.example/vireo)\r\n"
    "Connection: close\r\nContent-Length: 0\r\n\r\n";

TEST_F(FileDeliveryTest, WholeFileWithItsValidators)
{
    EXPECT_EQ(Build("/files/data.txt"), Whole());
}

TEST_F(FileDeliveryTest, MatchingEntityTagIsNotModified)
{
    EXPECT_EQ(Build("/files/data.txt", "", tag), kNotModified);
    std::string upper = tag;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(Build("/files/data.txt", "", upper), kNotModified);
    // Without its quotes the tag is another text.
    EXPECT_EQ(Build("/files/data.txt", "", tag.substr(1, tag.size() - 2)), Whole());
}

TEST_F(FileDeliveryTest, IfModifiedSinceComparesWholeSeconds)
{
    EXPECT_EQ(Build("/files/data.txt", kLastModified), kNotModified);
    EXPECT_EQ(Build("/files/data.txt", "Thu, 04 Mar 2021 05:06:08 GMT"), kNotModified);
    EXPECT_EQ(Build("/files/data.txt", "Thu, 04 Mar 2021 05:06:06 GMT"), Whole());
    EXPECT_EQ(Build("/files/data.txt", "Thursday, 04-Mar-21 05:06:07 GMT"), kNotModified);
    EXPECT_EQ(Build("/files/data.txt", "yesterday"), Whole());
    // A tag that does not match still lets the date decide.
    EXPECT_EQ(Build("/files/data.txt", kLastModified, "\"other\""), kNotModified);
}

TEST_F(FileDeliveryTest, OneRangeIsSentAsPartialContent)
{
    EXPECT_EQ(Build("/files/data.txt", "", "", "", "bytes=0-99"), Partial(0, 99));
    EXPECT_EQ(Build("/files/data.txt", "", "", "", "bytes=500-509"), Partial(500, 509));
    EXPECT_EQ(Build("/files/data.txt", "", "", "", "bytes=-10"), Partial(990, 999));
    EXPECT_EQ(Build("/files/data.txt", "", "", "", "bytes=998-"), Partial(998, 999));
}

TEST_F(FileDeliveryTest, IfRangeGuardsTheRange)
{
    EXPECT_EQ(Build("/files/data.txt", "", "", tag, "bytes=0-99"), Partial(0, 99));
    EXPECT_EQ(Build("/files/data.txt", "", "", "\"stale\"", "bytes=0-99"), Whole());
    // A date in If-Range never matches.
    EXPECT_EQ(Build("/files/data.txt", "", "", kLastModified, "bytes=0-99"), Whole());
}

TEST_F(FileDeliveryTest, UnsatisfiableOrMalformedRangesGetTheWholeFile)
{
    for (std::string_view range :
         {"bytes=990-2000", "bytes=1000-", "bytes=0-9,20-29", "lines=0-9", "bytes=9-0"}) {
        EXPECT_EQ(Build("/files/data.txt", "", "", "", range), Whole()) << range;
    }
}

TEST_F(FileDeliveryTest, ContentTypeFollowsTheName)
{
    WriteFile("photo.PNG", content);
    WriteFile("notes.qqqzz", content);
    EXPECT_NE(Build("/files/photo.PNG").find("\r\nContent-Type: image/png\r\n"), std::string::npos);
    EXPECT_NE(Build("/files/notes.qqqzz").find("\r\nContent-Type: application/x-msdownload\r\n"),
              std::string::npos);
}

TEST_F(FileDeliveryTest, NothingIsSentForWhatCannotBeDelivered)
{
    EXPECT_EQ(Build("/files/missing.txt"), "");
    std::filesystem::create_directory(share / "sub");
    EXPECT_EQ(Build("/files/sub"), "");
    // A FIFO must neither hang the thread nor be sent.
    ASSERT_EQ(::mkfifo((share / "pipe.txt").c_str(), 0600), 0);
    EXPECT_EQ(Build("/files/pipe.txt"), "");
}

TEST_F(FileDeliveryTest, ThumbnailCacheIsNeverSentAsAFile)
{
    WriteFile("ruvededa.$$$", "cache bytes");
    std::string answer = Build("/files/RUVEDEDA.$$$");
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 404 Not Found\r\n")) << answer;
    EXPECT_EQ(answer.find("cache bytes"), std::string::npos);
}

TEST_F(FileDeliveryTest, AResponseWithAFileIsLeftAlone)
{
    FileResponse response;
    BuildFileResponse(response, ResolveUrl("/files/data.txt"), "", "", "", "bytes=0-9");
    WriteFile("other.txt", "other");
    BuildFileResponse(response, ResolveUrl("/files/other.txt"), "", "", "", "");
    EXPECT_EQ(MaskDate(ReadAll(response)), Partial(0, 9));
}

TEST_F(FileDeliveryTest, ResolvedTargetWithoutTagIsSentWithoutETag)
{
    ResolvedTarget target = ResolveUrl("/files/data.txt");
    target.entity_tag.clear();
    FileResponse response;
    BuildFileResponse(response, target, "", tag, "", "bytes=0-9");
    std::string answer = MaskDate(ReadAll(response));
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 206 Partial Content\r\n")) << answer;
    EXPECT_EQ(answer.find("ETag"), std::string::npos);
}

// DeliverFile answering a request that arrives on a socket.
class DeliverFileTest : public FileDeliveryTest {
protected:
    std::string Exchange(const std::string& request)
    {
        return AnswerOverSocketPair(
            request, [](Connection& connection) { HandleResolved(connection, nullptr, DeliverFile); });
    }
};

TEST_F(DeliverFileTest, TakesTheConditionsFromTheRequest)
{
    EXPECT_EQ(Exchange("GET /files/data.txt HTTP/1.1\r\nRange: bytes=0-99\r\nIf-Range: " + tag + "\r\n\r\n"),
              Partial(0, 99));
    EXPECT_EQ(Exchange("GET /files/data.txt HTTP/1.1\r\nIf-None-Match: " + tag + "\r\n\r\n"), kNotModified);
    EXPECT_EQ(Exchange("GET /files/data.txt HTTP/1.1\r\nif-modified-since: " + std::string(kLastModified) +
                       "\r\n\r\n"),
              kNotModified);
}

TEST_F(DeliverFileTest, HeadSendsTheHeaderOfTheWholeFile)
{
    std::string whole = Whole();
    EXPECT_EQ(Exchange("HEAD /files/data.txt HTTP/1.1\r\n\r\n"),
              whole.substr(0, whole.size() - content.size()));
}

TEST_F(DeliverFileTest, LargeFilesArriveWhole)
{
    content = Pattern(3 * 1024 * 1024 + 17);
    WriteFile("big.bin.txt", content);
    std::string answer = Exchange("GET /files/big.bin.txt HTTP/1.1\r\n\r\n");
    ASSERT_GT(answer.size(), content.size());
    EXPECT_EQ(answer.substr(answer.size() - content.size()), content);
    EXPECT_NE(answer.find("\r\nContent-Length: 3145745\r\n"), std::string::npos);

    // A large part from the middle starts and ends at exactly the asked bytes.
    answer = Exchange("GET /files/big.bin.txt HTTP/1.1\r\nRange: bytes=1000001-2500000\r\n\r\n");
    ASSERT_GT(answer.size(), 1500000u);
    EXPECT_EQ(answer.substr(answer.size() - 1500000), content.substr(1000001, 1500000));
    EXPECT_NE(answer.find("\r\nContent-Range: bytes 1000001-2500000/3145745\r\n"), std::string::npos);
}

TEST_F(DeliverFileTest, EveryNonZeroFileTimeIsTheFilesOwnDate)
{
    // 1960-05-06 07:08:09 UTC, before the Unix epoch.
    WriteFile("old.txt", "old", timespec{-304707111, 0});
    std::string answer = Exchange("GET /files/old.txt HTTP/1.1\r\n\r\n");
    EXPECT_NE(answer.find("\r\nLast-Modified: Fri, 06 May 1960 07:08:09 GMT\r\n"), std::string::npos)
        << answer;
    answer =
        Exchange("GET /files/old.txt HTTP/1.1\r\nIf-Modified-Since: Fri, 06 May 1960 07:08:09 GMT\r\n\r\n");
    EXPECT_EQ(answer, kNotModified);

    // A time whose file-time form has its low 32 bits all zero (2021-03-04 05:05:31.0876672 UTC).
    WriteFile("round.txt", content, timespec{1614834331, 87667200});
    answer = Exchange("GET /files/round.txt HTTP/1.1\r\nRange: bytes=0-9\r\n\r\n");
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 206 Partial Content\r\n")) << answer;
    EXPECT_NE(answer.find("\r\nLast-Modified: Thu, 04 Mar 2021 05:05:31 GMT\r\n"), std::string::npos)
        << answer;
    answer =
        Exchange("GET /files/round.txt HTTP/1.1\r\nIf-Modified-Since: Thu, 04 Mar 2021 05:05:31 GMT\r\n\r\n");
    EXPECT_EQ(answer, kNotModified);
}

TEST_F(DeliverFileTest, MissingFileClosesWithoutAnAnswer)
{
    EXPECT_EQ(Exchange("GET /files/missing.txt HTTP/1.1\r\n\r\n"), "");
}

}  // namespace
}  // namespace vireo::testing
