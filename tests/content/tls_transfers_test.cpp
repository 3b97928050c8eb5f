// The services that stream, spool and pack, over TLS with curl: the TLS layer sits under every
// handler, so each works as it does in plain HTTP.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "settings/dynamic_files.h"
#include "settings/settings_folders.h"
#include "site/site_tls.h"
#include "support/child_process.h"
#include "support/files.h"
#include "support/loopback.h"
#include "support/upload_folder.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

class TlsTransfersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listening());
        const auto files = SiteTlsFiles();
        ASSERT_TRUE(files);
        certificate = files->certificate.string();
    }
    std::string Https(std::string_view path) const
    {
        return "https://127.0.0.1:" + std::to_string(server.port()) + std::string(path);
    }
    std::vector<std::string> Curl(std::vector<std::string> arguments) const
    {
        arguments.insert(arguments.begin(),
                         {"/usr/bin/curl", "-s", "--max-time", "30", "--cacert", certificate});
        return arguments;
    }
    const fs::path& home() const { return server.home().path(); }

    TestServer server;
    std::string certificate;
};

// A body larger than a TLS record and than one read, with every byte value.
std::string Pattern(std::size_t size)
{
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 131) ^ (i >> 9));
    return data;
}

TEST_F(TlsTransfersTest, AnUploadIsStored)
{
    UploadFolder folder(home());
    ASSERT_TRUE(folder.Share());
    const std::string data = Pattern(700 * 1024);
    WriteFile(home() / "outbox" / "big.bin", data);
    const ProgramResult result = RunProgram(
        Curl({"-F", "fp=@" + (home() / "outbox" / "big.bin").string(), Https("/photos/?postfile")}));
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_EQ(ReadFile(folder.target / "big.bin"), data);
}

TEST_F(TlsTransfersTest, AFileWholeAndARangeOfIt)
{
    const fs::path shared = home() / "docs";
    const std::string data = Pattern(3 * 1024 * 1024 + 17);
    WriteFile(shared / "large.bin", data);
    FolderSettings docs;
    docs.path = shared.string();
    ASSERT_TRUE(WriteFolder("docs", docs));

    const fs::path out = home() / "large.out";
    ProgramResult result = RunProgram(Curl({"-o", out.string(), Https("/docs/large.bin")}));
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_TRUE(ReadFile(out) == data);

    result = RunProgram(Curl({"-r", "100000-100099", Https("/docs/large.bin")}));
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, data.substr(100000, 100));
}

TEST_F(TlsTransfersTest, AZipDownloadUnpacks)
{
    const fs::path shared = home() / "docs";
    WriteFile(shared / "a.txt", "first file\n");
    WriteFile(shared / "b.bin", Pattern(200 * 1024));
    FolderSettings docs;
    docs.path = shared.string();
    docs.zip_download = true;
    ASSERT_TRUE(WriteFolder("docs", docs));

    const fs::path zip = home() / "docs.zip";
    ProgramResult result = RunProgram(Curl({"-o", zip.string(), Https("/docs/?zipdld")}));
    EXPECT_EQ(result.exit_code, 0) << result.output;
    result = RunProgram({"/usr/bin/unzip", "-p", zip.string(), "a.txt"});
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_EQ(result.output, "first file\n");
    result = RunProgram({"/usr/bin/unzip", "-t", zip.string()});
    EXPECT_EQ(result.exit_code, 0) << result.output;
}

TEST_F(TlsTransfersTest, TheRealTimeStreamArrivesAsItIsWritten)
{
    const fs::path log = home() / "logs" / "live.log";
    WriteFile(log, "");
    DynamicFile file;
    file.path = log.string();
    file.real_time = true;
    ASSERT_TRUE(SetDynamicFile("live.log", file));

    ChildProcess curl(Curl({"-N", Https("/live.log")}));
    // Appended until curl shows it: the stream begins once curl's request has come.
    std::optional<std::string> line;
    for (int attempt = 0; attempt < 20 && !line; ++attempt) {
        AppendFile(log, "appended line\n");
        line = curl.ReadLine(std::chrono::milliseconds(500));
    }
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, "appended line");
    file.real_time = false;
    ASSERT_TRUE(SetDynamicFile("live.log", file));
    // The stream reads the flag again after 15 idle seconds, then ends with its last chunk.
    EXPECT_EQ(curl.WaitForExit(std::chrono::seconds(30)), 0);
}

}  // namespace
}  // namespace vireo::testing
