// curl posting files to a folder through a real server, as a visitor would.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "settings/settings.h"
#include "support/child_process.h"
#include "support/files.h"
#include "support/loopback.h"
#include "support/upload_folder.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

// The status cell of the result page.
std::string StatusCell(const std::string& page)
{
    const std::string start =
        "id=\"st\" style=\"color:#ffff00;background-color:#0080ff;padding-top:3;padding-bottom:3\">";
    const std::size_t at = page.find(start);
    if (at == std::string::npos) return "(no result page)";
    const std::size_t from = at + start.size();
    return page.substr(from, page.find("</td>", from) - from);
}

class UploadCurlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listening());
        ASSERT_TRUE(folder.Share());
    }

    std::string Url() const
    {
        return "http://127.0.0.1:" + std::to_string(server.port()) + "/photos/?postfile";
    }

    // Runs curl quietly against the folder with these arguments; the page it got back.
    ProgramResult Curl(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {"/usr/bin/curl", "-s"});
        arguments.push_back(Url());
        return RunProgram(arguments);
    }

    fs::path Source(std::string_view name, std::string_view bytes)
    {
        const fs::path path = home() / "outbox" / name;
        WriteFile(path, bytes);
        return path;
    }

    const fs::path& home() const { return server.home().path(); }

    TestServer server;
    UploadFolder folder{home()};
    const fs::path& scratch = folder.scratch;
    const fs::path& target = folder.target;
};

TEST_F(UploadCurlTest, OneFile)
{
    std::string data(1234, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    WriteFile(target / "report.txt", "an older report");
    ProgramResult result = Curl({"-F", "fp=@" + Source("report.txt", data).string()});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(StatusCell(result.output), "1 Files: report.txt (1,234), OK");
    EXPECT_EQ(ReadFile(target / "report.txt"), data);
    EXPECT_EQ(CountEntries(target), 1u);
}

TEST_F(UploadCurlTest, TheThumbnailCacheCannotBeReplaced)
{
    WriteFile(target / "ruvededa.$$$", "the owner's cache");
    ProgramResult result = Curl({"-F", "fp=@" + Source("x", "forged").string() + ";filename=RuVeDeDa.$$$"});
    EXPECT_EQ(StatusCell(result.output), "1 Files: RuVeDeDa.$$$ (0), Failed");
    EXPECT_EQ(ReadFile(target / "ruvededa.$$$"), "the owner's cache");
    EXPECT_EQ(CountEntries(target), 1u);
}

TEST_F(UploadCurlTest, InterimAnswerLetsCurlSendTheBodyAtOnce)
{
    // Without the interim answer curl would wait the whole minute before it sends the body.
    const std::string data(3 * 1024 * 1024, 'c');
    ProgramResult result = Curl({"-i", "-H", "Expect: 100-continue", "--expect100-timeout", "60",
                                 "--max-time", "30", "-F", "fp=@" + Source("big.bin", data).string()});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_TRUE(result.output.starts_with("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n"))
        << result.output.substr(0, 60);
    EXPECT_EQ(StatusCell(result.output), "1 Files: big.bin (3,145,728), OK");
    EXPECT_TRUE(ReadFile(target / "big.bin") == data);
}

TEST_F(UploadCurlTest, FolderWithoutPostingRefusesTheFormAndTheFile)
{
    ASSERT_TRUE(SetFolderCanPostFiles("photos", false));
    EXPECT_NE(Curl({}).output.find("Error 405 (Method Not Allowed)"), std::string::npos);
    ProgramResult result = Curl({"-F", "fp=@" + Source("report.txt", "data").string()});
    EXPECT_NE(result.output.find("Error 405 (Method Not Allowed)"), std::string::npos);
    EXPECT_EQ(CountEntries(target), 0u);
}

TEST_F(UploadCurlTest, SeveralFilesAndAField)
{
    const std::string second(70000, 's');
    ProgramResult result = Curl({"-F", "title=holiday", "-F", "a=@" + Source("one.txt", "one").string(), "-F",
                                 "b=@" + Source("two.bin", second).string(), "-F", "note=done"});
    EXPECT_EQ(StatusCell(result.output), "2 Files: one.txt (3), OK; two.bin (70,000), OK");
    EXPECT_EQ(ReadFile(target / "one.txt"), "one");
    EXPECT_EQ(ReadFile(target / "two.bin"), second);
    EXPECT_EQ(CountEntries(target), 2u);
}

TEST_F(UploadCurlTest, ZeroByteFile)
{
    ProgramResult result = Curl({"-F", "fp=@" + Source("empty.txt", "").string()});
    EXPECT_EQ(StatusCell(result.output), "1 Files: empty.txt (0), OK");
    ASSERT_TRUE(fs::exists(target / "empty.txt"));
    EXPECT_EQ(fs::file_size(target / "empty.txt"), 0u);
}

TEST_F(UploadCurlTest, NameWithSpacesAndNonAsciiLetters)
{
    const std::string name = "my caf\xc3\xa9 \xd0\xbe\xd1\x82\xd1\x87\xd1\x91\xd1\x82.txt";
    ProgramResult result =
        Curl({"-F", "fp=@" + Source("plain.txt", "contents").string() + ";filename=" + name});
    EXPECT_EQ(StatusCell(result.output), "1 Files: " + name + " (8), OK");
    EXPECT_EQ(ReadFile(target / name), "contents");
}

TEST_F(UploadCurlTest, ClientPathsAndDotNames)
{
    ProgramResult result = Curl({"-F", "a=@" + Source("1", "dots").string() + ";filename=..", "-F",
                                 "b=@" + Source("2", "up").string() + ";filename=a/../../x", "-F",
                                 "c=@" + Source("3", "win").string() + ";filename=C:\\dir\\x.txt"});
    EXPECT_EQ(StatusCell(result.output), "3 Files: .. (0), Failed; x (2), OK; x.txt (3), OK");
    EXPECT_EQ(ReadFile(target / "x"), "up");
    EXPECT_EQ(ReadFile(target / "x.txt"), "win");
    EXPECT_EQ(CountEntries(target), 2u);
    EXPECT_FALSE(fs::exists(home() / "x"));
}

TEST_F(UploadCurlTest, QuotedBoundary)
{
    const std::string body =
        "--qq b\r\nContent-Disposition: form-data; name=\"fp\"; filename=\"q.txt\"\r\n\r\nquoted\r\n--qq "
        "b--\r\n";
    ProgramResult result = Curl({"-H", "Content-Type: multipart/form-data; boundary=\"qq b\"",
                                 "--data-binary", "@" + Source("body", body).string()});
    EXPECT_EQ(StatusCell(result.output), "1 Files: q.txt (6), OK");
    EXPECT_EQ(ReadFile(target / "q.txt"), "quoted");
}

TEST_F(UploadCurlTest, BodyCutOffHalfWayStoresNothing)
{
    WriteFile(target / "big.bin", "the earlier file");
    const std::string body =
        "--cut\r\nContent-Disposition: form-data; name=\"fp\"; filename=\"big.bin\"\r\n\r\n" +
        std::string(200000, 'b') + "\r\n--cut--\r\n";
    // curl sends half of the body under the length of all of it, then gives up waiting.
    ProgramResult result = Curl({"--max-time", "2", "-H", "Content-Type: multipart/form-data; boundary=cut",
                                 "-H", "Content-Length: " + std::to_string(body.size()), "--data-binary",
                                 "@" + Source("half", body.substr(0, body.size() / 2)).string()});
    EXPECT_NE(result.exit_code, 0);
    EXPECT_EQ(result.output, "");
    ASSERT_TRUE(server.events().WaitForClientNotices(ClientNotice::Closed, 1));
    EXPECT_EQ(ReadFile(target / "big.bin"), "the earlier file");
    EXPECT_EQ(CountEntries(target), 1u);
    EXPECT_EQ(CountEntries(scratch), 0u);
}

}  // namespace
}  // namespace vireo::testing
