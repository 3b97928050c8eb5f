// The zip download over a socket pair: the exact head, the chunked archive that standard tools open,
// the folder's sub-folder setting, the 404 cases, and a visitor who cancels half-way.
#include "content/zip/zip_download.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <future>
#include <random>

#include "base/unique_fd.h"
#include "content/zip/zip_test_tools.h"
#include "settings/settings_folders.h"
#include "site/resolve_url.h"
#include "support/exchange.h"
#include "support/files.h"
#include "support/socket_pair.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string ZipHead(std::string_view download_name)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: application/x-zip-compressed\r\n"
           "Server: Vireo 6.5 (https://quillmark.example/vireo)\r\nTransfer-Encoding: chunked\r\nDate: *\r\n"
           "Content-Disposition: attachment; filename=\"" +
           std::string(download_name) + ".zip\"\r\n\r\n";
}

// Bytes that do not compress, so an archive of them is as large as they are.
std::string Noise(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator());
    return bytes;
}

class ZipDownloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A temporary folder of the test's own, to see what the download leaves in it.
        fs::create_directories(temp);
        if (const char* old = std::getenv("TMPDIR")) saved_tmpdir = old;
        ::setenv("TMPDIR", temp.c_str(), 1);
        fs::create_directories(docs);
        SetSubfolders(true);
    }
    void TearDown() override
    {
        if (saved_tmpdir) {
            ::setenv("TMPDIR", saved_tmpdir->c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
    }

    void SetSubfolders(bool allowed)
    {
        FolderSettings folder;
        folder.path = docs.string();
        folder.zip_download = true;
        folder.can_browse_subfolders = allowed;
        ASSERT_TRUE(WriteFolder("docs", folder));
    }

    // The whole answer to a zip download of `url`, with the Date masked.
    std::string Download(std::string_view url)
    {
        return AnswerOverSocketPair(
            "GET " + std::string(url) + "?zipdld HTTP/1.1\r\nHost: localhost\r\n\r\n",
            [this](Connection& connection) {
                table.Register(connection.handle(), {});
                result = HandleResolved(connection, &table, AnswerZipDownload);
                sent = table.Snapshot(connection.handle()).value_or(ClientEntry{}).sent;
            });
    }

    // Checks the head and the framing of an answer and keeps its archive in `archive`.
    std::optional<ParsedZip> DownloadArchive(std::string_view url, std::string_view download_name)
    {
        const std::string answer = Download(url);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(sent, answer.size() + std::string_view("Sun, 06 Nov 1994 08:49:37 GMT").size() - 1);
        const std::string head = ZipHead(download_name);
        EXPECT_EQ(answer.substr(0, head.size()), head);
        const std::optional<std::string> body = Dechunk(std::string_view(answer).substr(head.size()));
        EXPECT_TRUE(body) << "chunked framing";
        if (!body) return std::nullopt;
        WriteFile(archive, *body);
        return ParseZip(*body);
    }

    bool TempFolderIsEmpty() const { return fs::is_empty(temp); }

    TestHome home;
    fs::path temp = home.path() / "tmp";
    fs::path docs = home.path() / "docs";
    fs::path archive = home.path() / "download.zip";
    std::optional<std::string> saved_tmpdir;
    ClientTable table{nullptr};
    int result = -1;
    std::uint64_t sent = 0;
};

TEST_F(ZipDownloadTest, FolderArrivesWholeAndOpensWithUnzip)
{
    WriteFile(docs / "a.txt", "plain text, plain text, plain text");
    WriteFile(docs / "empty.txt", "");
    WriteFile(docs / "\xC3\xA9t\xC3\xA9.txt", "summer");
    WriteFile(docs / "sub" / "noise.bin", Noise(300000, 1));
    WriteFile(docs / "sub" / "deeper" / "c.txt", "c");
    const std::optional<ParsedZip> zip = DownloadArchive("/docs/", "docs");
    ASSERT_TRUE(zip);
    ExpectUnzipTestPasses(archive);
    ExpectExtractsAsSource(archive, docs, EntryNames(*zip), home.path() / "extracted");
    EXPECT_EQ(EntryNames(*zip).size(), 5u);
    EXPECT_TRUE(TempFolderIsEmpty());
}

TEST_F(ZipDownloadTest, EmptyFolderIsTheEndRecordWithTheComment)
{
    const std::optional<ParsedZip> zip = DownloadArchive("/docs/", "docs");
    ASSERT_TRUE(zip);
    EXPECT_TRUE(zip->entries.empty());
    const std::string comment = "Zip Folder by Vireo (https://quillmark.example/vireo)";
    EXPECT_EQ(ReadWholeFile(archive), std::string("PK\5\6", 4) + std::string(16, '\0') +
                                          static_cast<char>(comment.size()) + '\0' + comment);
}

TEST_F(ZipDownloadTest, SubfoldersOnlyWhenTheFolderAllowsThem)
{
    WriteFile(docs / "top.txt", "top");
    WriteFile(docs / "sub" / "inner.txt", "inner");
    SetSubfolders(false);
    std::optional<ParsedZip> zip = DownloadArchive("/docs/", "docs");
    ASSERT_TRUE(zip);
    EXPECT_EQ(EntryNames(*zip), std::vector<std::string>{"top.txt"});

    // A sub-directory asked for directly is packed as the top; its own sub-folders stay out.
    WriteFile(docs / "sub" / "more" / "hidden.txt", "not packed");
    zip = DownloadArchive("/docs/sub/", "sub");
    ASSERT_TRUE(zip);
    EXPECT_EQ(EntryNames(*zip), std::vector<std::string>{"inner.txt"});
}

TEST_F(ZipDownloadTest, DownloadNameCannotBreakTheHeader)
{
    WriteFile(docs / "say \"hi\"" / "f.txt", "f");
    const std::optional<ParsedZip> zip = DownloadArchive("/docs/say%20%22hi%22/", "say _hi_");
    ASSERT_TRUE(zip);
    EXPECT_EQ(EntryNames(*zip), std::vector<std::string>{"f.txt"});
}

TEST_F(ZipDownloadTest, NoDirectoryGetsTheNotFoundPage)
{
    WriteFile(docs / "a.txt", "a file, not a directory");
    for (std::string_view url : {"/docs/a.txt", "/docs/missing/", "/nothing/"}) {
        const std::string answer = Download(url);
        EXPECT_TRUE(answer.starts_with("HTTP/1.1 404 Not Found\r\n")) << url;
        EXPECT_NE(answer.find("Error 404 (Not Found)"), std::string::npos) << url;
    }
    EXPECT_TRUE(TempFolderIsEmpty());
}

TEST_F(ZipDownloadTest, CancelledDownloadStopsTheWriterAndLeavesNothing)
{
    for (unsigned i = 0; i < 4; ++i) WriteFile(docs / ("noise-" + std::to_string(i)), Noise(1 << 20, i));
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    UniqueFd visitor(ends[1]);
    Connection connection;
    connection.Attach(ends[0]);
    connection.SetBlocking(false);
    connection.request().Parse("GET /docs/?zipdld HTTP/1.1\r\nHost: localhost\r\n\r\n");
    std::future<int> answer = std::async(std::launch::async, [&connection] {
        return HandleResolved(connection, nullptr, AnswerZipDownload);
    });

    std::string received;
    char buffer[16384];
    while (received.size() < 100000) {
        const ssize_t got = ::read(visitor.get(), buffer, sizeof buffer);
        ASSERT_GT(got, 0) << "the download ended before the visitor left";
        received.append(buffer, static_cast<std::size_t>(got));
    }
    // The archive lives only through its descriptor, even while it is being written.
    EXPECT_TRUE(TempFolderIsEmpty());
    visitor.reset();

    ASSERT_EQ(answer.wait_for(30s), std::future_status::ready);
    EXPECT_EQ(answer.get(), 0);
    EXPECT_TRUE(TempFolderIsEmpty());
}

}  // namespace
}  // namespace vireo::testing
