// Hostile and broken visitors over TLS: each request goes to the site once as plain HTTP and once over
// TLS, and both must meet the same answer, logbook record and auto-block list, since the TLS layer
// sits under the request reader and every handler.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "settings/address_list.h"
#include "settings/extension_settings.h"
#include "settings/settings.h"
#include "settings/settings_folders.h"
#include "site/hostile_tls_client.h"
#include "support/files.h"
#include "support/loopback.h"
#include "support/printable.h"
#include "support/upload_folder.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

const Ipv4Address kThisComputer{127, 0, 0, 1};
constexpr std::string_view kPlain = "plain";
constexpr std::string_view kPlainHalfClosed = "plain, half-closed";

std::string StatusLine(const std::string& answer)
{
    return answer.substr(0, answer.find("\r\n"));
}

// What one visit left behind.
struct Outcome {
    std::string answer;  // with its Date masked
    std::string record;  // the logbook's new text, time and port masked
    bool blocked;        // the visitor's address is on the auto-block list
};

class TlsHostileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listening());
        ASSERT_TRUE(SetEnableLog(true));
    }

    // Sends the bytes on a fresh connection and waits until the server has finished with it. `how`:
    // kPlain, kPlainHalfClosed (a plain visitor that says it sends no more), or the TLS client's
    // action ("send", "notify", "alert").
    Outcome Visit(std::string_view how, std::string_view bytes)
    {
        EXPECT_TRUE(SetAutoBlockList({}));
        std::string answer;
        if (how == kPlain || how == kPlainHalfClosed) {
            LoopbackClient client(server.port());
            client.Send(bytes);
            if (how == kPlainHalfClosed) ::shutdown(client.handle(), SHUT_WR);
            answer = client.ReadAll();
        } else {
            const ProgramResult result = tls.Run({std::string(how), tls.Holding(bytes)});
            EXPECT_EQ(result.exit_code, 0) << result.output;
            answer = result.output;
        }
        EXPECT_TRUE(Finished());
        return {MaskDate(answer), NewRecords(), IsInAutoBlockList(kThisComputer)};
    }

    // Whether the server has ended one more connection, its client row closed.
    bool Finished() { return server.events().WaitForClientNotices(ClientNotice::Closed, ++finished_); }

    // The logbook's text since the last call.
    std::string NewRecords()
    {
        const std::string log = ReadFile(server.home().path() / "vireolog.txt");
        const std::string added = log.substr(std::min(seen_, log.size()));
        seen_ = log.size();
        static const std::regex kVarying("Time: [^\r]*\r\nAddr: 127\\.0\\.0\\.1:[0-9]+\r\n");
        return std::regex_replace(added, kVarying, "Time: *\r\nAddr: 127.0.0.1:*\r\n");
    }

    void ExpectSameOutcome(const Outcome& plain, const Outcome& over_tls)
    {
        EXPECT_EQ(Printable(over_tls.answer), Printable(plain.answer));
        EXPECT_EQ(Printable(over_tls.record), Printable(plain.record));
        EXPECT_EQ(over_tls.blocked, plain.blocked);
    }

    const fs::path& home() const { return server.home().path(); }

    TestServer server;
    HostileTlsClient tls{server.port(), server.home().path()};
    std::size_t finished_ = 0;
    std::size_t seen_ = 0;
};

TEST_F(TlsHostileTest, HostileRequestsMeetThePlainTreatment)
{
    struct Case {
        const char* what;
        bool auto_block;  // refused as hostile and blocked; else answered
        std::string bytes;
    };
    const std::string url_controls = "GET /a\x1b[2J\x07z HTTP/1.1\r\nHost: x\r\n\r\n";
    const std::vector<Case> cases = {
        {"unknown method", true, "BREW /pot HTTP/1.1\r\n\r\n"},
        {"forbidden byte before the end", true, std::string("GET /\xff", 6)},
        {"NUL byte", true, std::string("GET /\0 HTTP/1.1\r\n\r\n", 19)},
        {"long header without end", true, "GET / HTTP/1.1\r\nX: " + std::string(4000, 'a')},
        {"first segment too long", true, "GET /" + std::string(48, 'a') + "/x HTTP/1.1\r\n\r\n"},
        {"control bytes in the URL", true, url_controls},
        {"a bare LF that would forge a log line", true,
         "GET / HTTP/1.1\r\nX-A: a\x1b[2J\nAddr: 6.6.6.6:1\r\nX-N: " + std::string(1, '\0') + "\x7f\r\n\r\n"},
        {"control bytes in the URL let through", false, url_controls},
        {"malformed request line let through", false, "GET\r\n\r\n"},
        {"header over the size limit", false,
         "GET / HTTP/1.1\r\nX-Pad: " + std::string(70000, 'p') + "\r\n\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(SetUseAutoBlockList(c.auto_block));
        const Outcome plain = Visit(kPlain, c.bytes);
        const Outcome over_tls = Visit("send", c.bytes);
        ExpectSameOutcome(plain, over_tls);
        if (c.auto_block) {
            EXPECT_EQ(over_tls.answer, "");
            EXPECT_TRUE(over_tls.blocked);
        } else {
            EXPECT_EQ(StatusLine(over_tls.answer), "HTTP/1.1 400 Bad Request");
            EXPECT_FALSE(over_tls.blocked);
        }
        // Whatever came, the logbook holds printable text, TAB and line ends only.
        EXPECT_FALSE(over_tls.record.empty());
        if (c.bytes == url_controls) {
            EXPECT_NE(over_tls.record.find("\r\nGET /a\\x1B[2J\\x07z HTTP/1.1\r\n"), std::string::npos)
                << over_tls.record;
        }
        for (const char byte : over_tls.record) {
            const auto value = static_cast<unsigned char>(byte);
            EXPECT_TRUE(value >= 0x20 ? value != 0x7F : (byte == '\t' || byte == '\r' || byte == '\n'))
                << int(value);
        }
    }
}

TEST_F(TlsHostileTest, NoUrlLeavesItsFolderOrOpensAClosedSubfolder)
{
    const fs::path site = home() / "site";
    WriteFile(site / "a.txt", "hello");
    WriteFile(site / "sub" / "b.txt", "below");
    WriteFile(home() / "outside.txt", "secret");
    FolderSettings photos;
    photos.path = site.string();
    photos.zip_download = true;
    ASSERT_TRUE(WriteFolder("photos", photos));
    fs::create_directories(home() / "programs");
    ASSERT_TRUE(SetExtensionFolder((home() / "programs").string()));
    ASSERT_TRUE(SetExtensionEnabled(true));

    struct Case {
        const char* target;
        const char* status;
    };
    const Case cases[] = {
        {"/photos/../outside.txt", "HTTP/1.1 404 Not Found"},
        {"/photos/..%2foutside.txt", "HTTP/1.1 404 Not Found"},
        {"/photos/%2e%2e/outside.txt", "HTTP/1.1 404 Not Found"},
        {"/photos/.%2E/outside.txt", "HTTP/1.1 404 Not Found"},
        {"/photos/..%5coutside.txt", "HTTP/1.1 404 Not Found"},
        {"/photos\\..\\outside.txt", "HTTP/1.1 404 Not Found"},
        {"/photos/sub/../../outside.txt", "HTTP/1.1 404 Not Found"},
        {"/photos/a.txt%00.jpg", "HTTP/1.1 404 Not Found"},
        {"/photos/%2e%2e%2f%2e%2e%2fetc/passwd", "HTTP/1.1 404 Not Found"},
        {"/Extension/../outside.txt", "HTTP/1.1 404 Not Found"},
        {"/Extension/..%2foutside.txt", "HTTP/1.1 404 Not Found"},
        {"/photos/sub/b.txt", "HTTP/1.1 403 Forbidden"},
        {"/photos/sub/", "HTTP/1.1 403 Forbidden"},
        {"/photos/sub/?zipdld", "HTTP/1.1 403 Forbidden"},
        {"/photos/sub/?ZIPDLD", "HTTP/1.1 403 Forbidden"},
        // What the folder does offer, so a table of refusals cannot pass by refusing everything.
        {"/photos/a.txt", "HTTP/1.1 200 OK"},
        {"/photos/?zipdld", "HTTP/1.1 200 OK"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        const std::string request = std::string("GET ") + c.target + " HTTP/1.1\r\nHost: x\r\n\r\n";
        const Outcome plain = Visit(kPlain, request);
        const Outcome over_tls = Visit("send", request);
        ExpectSameOutcome(plain, over_tls);
        EXPECT_EQ(StatusLine(over_tls.answer), c.status);
        EXPECT_EQ(over_tls.answer.find("secret"), std::string::npos);
        EXPECT_EQ(over_tls.answer.find("below"), std::string::npos);
    }
}

TEST_F(TlsHostileTest, AVisitorWhoVanishesMidDownloadFreesItsThread)
{
    WriteFile(home() / "docs" / "hello.txt", "hello over TLS\n");
    // Far more than the two ends' socket buffers hold, so the server is still sending when the
    // visitor goes.
    std::string large(24 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 7 + (i >> 12));
    WriteFile(home() / "docs" / "large.bin", large);
    FolderSettings docs;
    docs.path = (home() / "docs").string();
    ASSERT_TRUE(WriteFolder("docs", docs));

    const ProgramResult gone = tls.Run({"vanish", "/docs/large.bin", "100000"});
    ASSERT_EQ(gone.exit_code, 0) << gone.output;
    EXPECT_GE(std::stoul(gone.output), 100000u);
    EXPECT_LT(std::stoul(gone.output), large.size());
    EXPECT_TRUE(Finished());
    // The next visitors, both ways, are served whole.
    const std::string request = "GET /docs/hello.txt HTTP/1.1\r\nHost: x\r\n\r\n";
    EXPECT_TRUE(Visit("send", request).answer.ends_with("\r\n\r\nhello over TLS\n"));
    EXPECT_TRUE(Visit(kPlain, request).answer.ends_with("\r\n\r\nhello over TLS\n"));
}

TEST_F(TlsHostileTest, ASessionEndedInTheMiddleOfARequestEndsTheConnectionAlike)
{
    UploadFolder upload(home());
    ASSERT_TRUE(upload.Share());
    WriteFile(upload.target / "big.bin", "the earlier file");
    const std::string body =
        "--cut\r\nContent-Disposition: form-data; name=\"fp\"; filename=\"big.bin\"\r\n\r\n" +
        std::string(200000, 'b') + "\r\n--cut--\r\n";
    const std::string post =
        "POST /photos/?postfile HTTP/1.1\r\nHost: x\r\n"
        "Content-Type: multipart/form-data; boundary=cut\r\nContent-Length: " +
        std::to_string(body.size()) + "\r\n\r\n";
    struct Case {
        const char* what;
        std::string part;
    };
    const Case cases[] = {
        {"in the header", "GET /docs/hello.txt HTTP/1.1\r\nHo"},
        {"in an upload's body", post + body.substr(0, body.size() / 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Plain: a half-close. Over TLS: a close_notify, and an alert record outside the session's
        // protection.
        const Outcome plain = Visit(kPlainHalfClosed, c.part);
        EXPECT_EQ(plain.answer, "");
        EXPECT_FALSE(plain.blocked);
        for (const char* action : {"notify", "alert"}) {
            SCOPED_TRACE(action);
            ExpectSameOutcome(plain, Visit(action, c.part));
        }
        EXPECT_EQ(ReadFile(upload.target / "big.bin"), "the earlier file");
        EXPECT_EQ(CountEntries(upload.target), 1u);
        EXPECT_EQ(CountEntries(upload.scratch), 0u);
    }
    EXPECT_TRUE(Visit("send", "GET /?? HTTP/1.1\r\n\r\n").answer.starts_with("HTTP/1.1 200 OK\r\n"));
}

}  // namespace
}  // namespace vireo::testing
