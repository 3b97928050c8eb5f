// The routing table, row by row, through a real server on loopback.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "settings/dynamic_files.h"
#include "settings/settings.h"
#include "support/child_process.h"
#include "support/loopback.h"
#include "support/page_bytes.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, std::string_view bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string StatusLine(const std::string& answer)
{
    return answer.substr(0, answer.find("\r\n"));
}

std::string Body(const std::string& answer)
{
    std::size_t end = answer.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : answer.substr(end + 4);
}

class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listening());
        site = server.home().path() / "site";
        WriteFile(site / "a.txt", "hello");
        WriteFile(site / "sub" / "b.txt", "below");
        WriteFile(server.home().path() / "outside.txt", "secret");
        WriteFile(server.home().path() / "report.txt", "the report");
        photos.path = site.string();
        photos.description = "Our photos";
        ASSERT_TRUE(WriteFolder("photos", photos));
        ASSERT_TRUE(SetDynamicFile(
            "report.txt",
            DynamicFile{.path = (server.home().path() / "report.txt").string(), .pattern = {}}));
    }

    std::string Status(std::string_view method, std::string_view target)
    {
        return StatusLine(Exchange(
            server.port(), std::string(method) + " " + std::string(target) + " HTTP/1.1\r\nHost: x\r\n\r\n"));
    }

    TestServer server;
    fs::path site;
    FolderSettings photos;
};

TEST_F(DispatchTest, MethodsOtherThanGetHeadPostAreRefusedAfterResolution)
{
    EXPECT_EQ(Status("PUT", "/photos/a.txt"), "HTTP/1.1 405");
    EXPECT_EQ(Status("DELETE", "/photos/"), "HTTP/1.1 405");
    EXPECT_EQ(Status("OPTIONS", "/"), "HTTP/1.1 405");
    EXPECT_EQ(Status("TRACE", "/"), "HTTP/1.1 405");
    EXPECT_EQ(Status("PUT", "/nowhere"), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(Status("POST", "/"), "HTTP/1.1 405");
}

TEST_F(DispatchTest, EchoOnlyForUrlsThatResolve)
{
    EXPECT_EQ(Status("GET", "/photos/??"), "HTTP/1.1 200 OK");
    EXPECT_EQ(Status("GET", "/nowhere??"), "HTTP/1.1 404 Not Found");
}

TEST_F(DispatchTest, FolderRowsFollowTheFolderPermissions)
{
    EXPECT_EQ(Status("GET", "/photos/"), "HTTP/1.1 200 OK");
    EXPECT_EQ(Status("GET", "/PHOTOS"), "HTTP/1.1 200 OK");
    EXPECT_EQ(Status("POST", "/photos/"), "HTTP/1.1 405");
    EXPECT_EQ(Status("GET", "/photos/?postfile"), "HTTP/1.1 405");
    EXPECT_EQ(Status("GET", "/photos/?zipdld"), "HTTP/1.1 405");
    EXPECT_EQ(Status("GET", "/photos/sub/"), "HTTP/1.1 403 Forbidden");
    EXPECT_EQ(Status("GET", "/photos/sub/b.txt"), "HTTP/1.1 403 Forbidden");
    EXPECT_EQ(Status("GET", "/photos/a.txt"), "HTTP/1.1 200 OK");
    EXPECT_EQ(Status("POST", "/photos/a.txt"), "HTTP/1.1 400 Bad Request");

    photos.can_browse_subfolders = true;
    photos.visible = false;
    ASSERT_TRUE(WriteFolder("photos", photos));
    EXPECT_EQ(Status("GET", "/photos/"), "HTTP/1.1 403 Forbidden");
    EXPECT_EQ(Status("GET", "/photos/sub/"), "HTTP/1.1 403 Forbidden");
    EXPECT_EQ(Status("GET", "/photos/sub/b.txt"), "HTTP/1.1 200 OK") << "listing off still serves files";

    photos.visible = true;
    ASSERT_TRUE(WriteFolder("photos", photos));
    EXPECT_EQ(Status("GET", "/photos/sub/"), "HTTP/1.1 200 OK");
    EXPECT_EQ(Status("GET", "/photos\\sub\\b.txt"), "HTTP/1.1 200 OK");
}

TEST_F(DispatchTest, ZipDownloadKeepsAClosedSubfolderClosed)
{
    photos.zip_download = true;
    ASSERT_TRUE(WriteFolder("photos", photos));
    EXPECT_EQ(Status("GET", "/photos/sub/"), "HTTP/1.1 403 Forbidden");
    std::string answer = Exchange(server.port(), "GET /photos/sub/?zipdld HTTP/1.1\r\n\r\n");
    EXPECT_EQ(StatusLine(answer), "HTTP/1.1 403 Forbidden");
    EXPECT_EQ(answer.find("b.txt"), std::string::npos);
    EXPECT_EQ(Status("GET", "/photos/sub/?ZIPDLD"), "HTTP/1.1 403 Forbidden");
    // The folder's own archive holds its top files only.
    answer = Exchange(server.port(), "GET /photos/?zipdld HTTP/1.1\r\n\r\n");
    EXPECT_EQ(StatusLine(answer), "HTTP/1.1 200 OK");
    EXPECT_NE(answer.find("a.txt"), std::string::npos);
    EXPECT_EQ(answer.find("b.txt"), std::string::npos);

    photos.can_browse_subfolders = true;
    ASSERT_TRUE(WriteFolder("photos", photos));
    answer = Exchange(server.port(), "GET /photos/sub/?zipdld HTTP/1.1\r\n\r\n");
    EXPECT_EQ(StatusLine(answer), "HTTP/1.1 200 OK");
    EXPECT_NE(answer.find("b.txt"), std::string::npos);

    // With zip download off the answer stays 405, whatever the sub-folder setting.
    photos.zip_download = false;
    photos.can_browse_subfolders = false;
    ASSERT_TRUE(WriteFolder("photos", photos));
    EXPECT_EQ(Status("GET", "/photos/sub/?zipdld"), "HTTP/1.1 405");
}

TEST_F(DispatchTest, HeadOfAZipDownloadIsTheHeadAlone)
{
    photos.zip_download = true;
    ASSERT_TRUE(WriteFolder("photos", photos));
    const std::string answer = Exchange(server.port(), "HEAD /photos/?zipdld HTTP/1.1\r\n\r\n");
    EXPECT_EQ(StatusLine(answer), "HTTP/1.1 200 OK");
    EXPECT_NE(answer.find("\r\nTransfer-Encoding: chunked\r\n"), std::string::npos) << answer;
    EXPECT_NE(answer.find("\r\nContent-Disposition: attachment; filename=\"site.zip\"\r\n"),
              std::string::npos)
        << answer;
    EXPECT_EQ(Body(answer), "");
}

TEST_F(DispatchTest, DynamicFilesAreDeliveredAndRefusePosts)
{
    std::string answer = Exchange(server.port(), "GET /report.txt HTTP/1.1\r\n\r\n");
    EXPECT_EQ(StatusLine(answer), "HTTP/1.1 200 OK");
    EXPECT_EQ(Body(answer), "the report");
    std::string head = Exchange(server.port(), "HEAD /report.txt HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Body(head), "");
    EXPECT_NE(head.find("Content-Length: 10\r\n"), std::string::npos);
    EXPECT_EQ(Status("POST", "/report.txt"), "HTTP/1.1 400 Bad Request");
    EXPECT_EQ(Status("GET", "/report.txt/x"), "HTTP/1.1 404 Not Found");
}

TEST_F(DispatchTest, ApplicationRoutes)
{
    EXPECT_EQ(Status("GET", "/Guestbook/"), "HTTP/1.1 403 Forbidden");
    EXPECT_EQ(Status("POST", "/WebCommunity/"), "HTTP/1.1 403 Forbidden");
    EXPECT_EQ(Status("GET", "/WebCommunity/members"), "HTTP/1.1 403 Forbidden");
}

TEST_F(DispatchTest, NoUrlReachesOutsideItsFolder)
{
    for (const char* attack :
         {"/photos/../outside.txt", "/photos/..%2foutside.txt", "/photos/%2e%2e/outside.txt",
          "/photos/.%2E/outside.txt", "/photos/..%5coutside.txt", "/photos\\..\\outside.txt",
          "/photos/sub/../../outside.txt", "/photos/./a.txt", "/photos/a.txt%00.jpg",
          "/photos/%2e%2e%2f%2e%2e%2fetc/passwd"}) {
        std::string answer = Exchange(server.port(), std::string("GET ") + attack + " HTTP/1.1\r\n\r\n");
        EXPECT_EQ(StatusLine(answer), "HTTP/1.1 404 Not Found") << attack;
        EXPECT_EQ(answer.find("secret"), std::string::npos) << attack;
    }
}

// Conditional and ranged requests as curl makes them.
TEST_F(DispatchTest, CurlRangesAndConditions)
{
    std::string thousand(1000, '\0');
    for (std::size_t i = 0; i < thousand.size(); ++i) thousand[i] = static_cast<char>('a' + i % 26);
    WriteFile(site / "big.txt", thousand);
    const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/photos/big.txt";

    ProgramResult range = RunProgram({"/usr/bin/curl", "-s", "-r", "0-99", url});
    EXPECT_EQ(range.exit_code, 0);
    EXPECT_EQ(range.output, thousand.substr(0, 100));

    ProgramResult headers = RunProgram({"/usr/bin/curl", "-s", "-i", "-r", "0-99", url});
    EXPECT_NE(headers.output.find("HTTP/1.1 206 Partial Content\r\n"), std::string::npos);
    EXPECT_NE(headers.output.find("Content-Range: bytes 0-99/1000\r\n"), std::string::npos);
    EXPECT_NE(headers.output.find("Content-Length: 100\r\n"), std::string::npos);

    ProgramResult past_end = RunProgram({"/usr/bin/curl", "-s", "-r", "990-2000", url});
    EXPECT_EQ(past_end.output, thousand) << "an unsatisfiable range gets the whole file";

    std::size_t tag_at = headers.output.find("ETag: ");
    ASSERT_NE(tag_at, std::string::npos);
    std::string tag = headers.output.substr(tag_at + 6, headers.output.find("\r\n", tag_at) - tag_at - 6);
    ProgramResult cached = RunProgram({"/usr/bin/curl", "-s", "-i", "-H", "If-None-Match: " + tag, url});
    EXPECT_EQ(cached.output.rfind("HTTP/1.1 304 Not Modified\r\n", 0), 0u) << cached.output;

    // curl -z sends If-Modified-Since with the file's own time.
    ProgramResult unchanged =
        RunProgram({"/usr/bin/curl", "-s", "-i", "-z", (site / "big.txt").string(), url});
    EXPECT_EQ(unchanged.output.rfind("HTTP/1.1 304 Not Modified\r\n", 0), 0u) << unchanged.output;

    ProgramResult whole = RunProgram({"/usr/bin/curl", "-s", "-H", "If-Range: \"other\"", "-r", "0-99", url});
    EXPECT_EQ(whole.output, thousand);
}

}  // namespace
}  // namespace vireo::testing
