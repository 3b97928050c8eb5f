// `vireo serve` as a user runs it: a real process, real signals, real sockets.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <set>
#include <vector>

#include "base/number_format.h"
#include "base/text_helpers.h"
#include "platform/instance_lock.h"
#include "platform/interface_addresses.h"
#include "platform/tls_certificate.h"
#include "settings/settings.h"
#include "settings/settings_folders.h"
#include "site/site_tls.h"
#include "support/child_process.h"
#include "support/files.h"
#include "support/loopback.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

class ServeCommandTest : public ::testing::Test {
protected:
    void SetUp() override { SetListenIp({127, 0, 0, 1}); }

    TestHome home;
};

TEST_F(ServeCommandTest, ServesUntilTerminatedAndLogsEachRequest)
{
    for (int stop_signal : {SIGTERM, SIGINT}) {
        ChildProcess serve({VIREO_BINARY, "serve", "--port", "0"});
        std::optional<std::string> listening = serve.ReadLine();
        ASSERT_TRUE(listening);
        const std::uint16_t port = ListeningPort(*listening);
        ASSERT_NE(port, 0) << *listening;
        const std::string port_text = std::to_string(port);
        ASSERT_TRUE(listening->starts_with("Listening on 127.0.0.1:" + port_text +
                                           " at http://127.0.0.1:" + port_text + "/ (certificate SHA-256 "))
            << *listening;
        std::string answer = Exchange(port, "GET /where HTTP/1.1\r\n\r\n");
        EXPECT_EQ(answer.rfind("HTTP/1.1 404 Not Found\r\n", 0), 0u);
        std::optional<std::string> logged = serve.ReadLine();
        ASSERT_TRUE(logged);
        std::string sizes = FormatGrouped(answer.size()) + "/" + FormatGrouped(answer.size());
        EXPECT_NE(logged->find(" 127.0.0.1 Bad Request /where " + sizes), std::string::npos) << *logged;

        serve.Signal(stop_signal);
        EXPECT_EQ(serve.WaitForExit(std::chrono::seconds(5)), 0);
        EXPECT_EQ(serve.ReadRest(), "Server stopped.\n");
    }
}

TEST_F(ServeCommandTest, AVisitorsControlBytesNeverReachTheConsoleRaw)
{
    ChildProcess serve({VIREO_BINARY, "serve", "--port", "0"});
    std::optional<std::string> listening = serve.ReadLine();
    ASSERT_TRUE(listening);
    const std::uint16_t port = ListeningPort(*listening);
    ASSERT_NE(port, 0) << *listening;
    Exchange(port, "GET /x%0d%0a12:00:00%20forged%1b[2J%00%7f HTTP/1.1\r\n\r\n");
    std::optional<std::string> logged = serve.ReadLine();
    ASSERT_TRUE(logged);
    EXPECT_NE(logged->find(" /x\\x0D\\x0A12:00:00 forged\\x1B[2J\\x00\\x7F "), std::string::npos) << *logged;
    serve.Signal(SIGTERM);
    EXPECT_EQ(serve.WaitForExit(std::chrono::seconds(5)), 0);
    const std::string rest = serve.ReadRest();
    EXPECT_EQ(rest, "Server stopped.\n");
    for (char c : *logged + rest) {
        const auto byte = static_cast<unsigned char>(c);
        EXPECT_TRUE(byte >= 0x20 ? byte != 0x7F : c == '\n') << int(byte);
    }
}

TEST_F(ServeCommandTest, OnEveryAddressShowsTheOneOthersReach)
{
    ASSERT_TRUE(SetListenIp({0, 0, 0, 0}));
    ChildProcess serve({VIREO_BINARY, "serve", "--port", "0"});
    std::optional<std::string> listening = serve.ReadLine();
    ASSERT_TRUE(listening);
    const std::string port = std::to_string(ListeningPort(*listening));
    EXPECT_TRUE(listening->starts_with("Listening on 0.0.0.0:" + port + " at " +
                                       FormatSiteUrl({DefaultShownAddress(), ListeningPort(*listening)}) +
                                       " (certificate "))
        << *listening;
    EXPECT_EQ(listening->find("127.0.1.1"), std::string::npos);
    serve.Signal(SIGTERM);
    EXPECT_EQ(serve.WaitForExit(std::chrono::seconds(5)), 0);
}

// OpenSSL writes to a connection with write(), which raises SIGPIPE once the visitor has gone; the
// program must take that as a closed connection and go on serving.
TEST_F(ServeCommandTest, AVisitorWhoHangsUpDuringAnHttpsDownloadLeavesTheServerRunning)
{
    const std::filesystem::path shared = home.path() / "shared";
    std::filesystem::create_directories(shared);
    WriteFile(shared / "big.bin", std::string(16 << 20, 'x'));
    FolderSettings folder;
    folder.path = shared.string();
    ASSERT_TRUE(WriteFolder("docs", folder));
    ChildProcess serve({VIREO_BINARY, "serve", "--port", "0"});
    std::optional<std::string> listening = serve.ReadLine();
    ASSERT_TRUE(listening);
    const std::string port = std::to_string(ListeningPort(*listening));
    // Reads the start of the answer, says it will send no more, then closes with most of the file
    // unread: the reset meets a connection the server knows to be half closed, so its next write
    // fails with EPIPE, which is what raises SIGPIPE.
    const std::string hang_up =
        "import socket, ssl\n"
        "context = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)\n"
        "context.check_hostname = False\n"
        "context.verify_mode = ssl.CERT_NONE\n"
        "for _ in range(3):\n"
        "    tls = context.wrap_socket(socket.create_connection(('127.0.0.1', " +
        port +
        ")))\n"
        "    tls.sendall(b'GET /docs/big.bin HTTP/1.1\\r\\n\\r\\n')\n"
        "    tls.recv(4096)\n"
        "    tls.shutdown(socket.SHUT_WR)\n"
        "    tls.close()\n";
    EXPECT_EQ(RunProgram({"/usr/bin/python3", "-c", hang_up}).exit_code, 0);
    for (int logged = 0; logged < 3; ++logged) EXPECT_TRUE(serve.ReadLine(std::chrono::seconds(30)));
    EXPECT_EQ(
        Exchange(ListeningPort(*listening), "GET /docs/ HTTP/1.1\r\n\r\n").rfind("HTTP/1.1 200 OK\r\n", 0),
        0u);
    serve.Signal(SIGTERM);
    EXPECT_EQ(serve.WaitForExit(std::chrono::seconds(5)), 0);
}

TEST_F(ServeCommandTest, ACertificateThatDoesNotLoadIsSaidBelowTheListeningLine)
{
    const auto first = MakeSelfSignedCertificate(home.path() / "owner" / "a", "first.test", {});
    const auto second = MakeSelfSignedCertificate(home.path() / "owner" / "b", "second.test", {});
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(Write(setting::kTlsCertificate, first->certificate.string()));
    ASSERT_TRUE(Write(setting::kTlsKey, second->key.string()));
    ChildProcess serve({VIREO_BINARY, "serve", "--port", "0"});
    std::optional<std::string> listening = serve.ReadLine();
    ASSERT_TRUE(listening);
    const std::uint16_t port = ListeningPort(*listening);
    ASSERT_NE(port, 0) << *listening;
    EXPECT_EQ(*listening, "Listening on 127.0.0.1:" + std::to_string(port) +
                              " at http://127.0.0.1:" + std::to_string(port) + "/");
    const std::optional<std::string> said = serve.ReadLine();
    ASSERT_TRUE(said);
    EXPECT_EQ(*said, "HTTPS is off: the key " + second->key.string() + " does not belong to the certificate");
    // Plain HTTP goes on.
    EXPECT_TRUE(Exchange(port, "GET / HTTP/1.1\r\n\r\n").starts_with("HTTP/1.1 200 OK\r\n"));
    serve.Signal(SIGTERM);
    EXPECT_EQ(serve.WaitForExit(std::chrono::seconds(5)), 0);
}

// Servers that share a store and start together, before it has a certificate, make one pair
// between them and all serve it.
TEST_F(ServeCommandTest, ServersStartedTogetherMakeOneSelfSignedPair)
{
    std::vector<std::unique_ptr<ChildProcess>> servers;
    for (int i = 0; i < 4; ++i) {
        servers.push_back(
            std::make_unique<ChildProcess>(std::vector<std::string>{VIREO_BINARY, "serve", "--port", "0"}));
    }
    std::set<std::string> fingerprints;
    for (const auto& serve : servers) {
        const std::optional<std::string> listening = serve->ReadLine();
        ASSERT_TRUE(listening);
        const std::size_t at = listening->find("(certificate SHA-256 ");
        ASSERT_NE(at, std::string::npos) << *listening;
        fingerprints.insert(listening->substr(at));
    }
    EXPECT_EQ(fingerprints.size(), 1u);
    const std::expected<std::string, std::string> loaded = LoadSiteCertificate();
    ASSERT_TRUE(loaded) << loaded.error();
    EXPECT_EQ("(certificate " + *loaded + ")", *fingerprints.begin());
    for (const auto& serve : servers) {
        serve->Signal(SIGTERM);
        EXPECT_EQ(serve->WaitForExit(std::chrono::seconds(5)), 0);
    }
}

TEST_F(ServeCommandTest, RefusesToRunBesideAWindowOnTheSameSettings)
{
    std::expected<UniqueFd, InstanceHolder> window = TakeInstanceLock(InstanceKind::Window);
    ASSERT_TRUE(window);
    ChildProcess serve({VIREO_BINARY, "serve", "--port", "0"});
    EXPECT_EQ(serve.WaitForExit(std::chrono::seconds(5)), 1);
    EXPECT_EQ(serve.ReadRest(),
              "Vireo already runs with its window on these settings; stop the server there first.\n");

    // Once the window has gone, a server starts.
    window->reset();
    ChildProcess second({VIREO_BINARY, "serve", "--port", "0"});
    std::optional<std::string> listening = second.ReadLine();
    ASSERT_TRUE(listening);
    EXPECT_NE(ListeningPort(*listening), 0);
    EXPECT_EQ(FindInstanceHolder(), InstanceHolder::Headless);
    second.Signal(SIGTERM);
    EXPECT_EQ(second.WaitForExit(std::chrono::seconds(5)), 0);
}

TEST(ServeCommandStartTest, PortInUseFailsWithAClearLine)
{
    TestServer holder;
    SetListenIp({127, 0, 0, 1});
    const std::string holder_port = std::to_string(holder.port());
    const std::string failed =
        "Failed starting server on port " + holder_port + ". Error = 98. (Address already in use)";
    // Once with the port from the store, once with the port given for the run.
    SetListenPort(holder.port());
    ChildProcess serve({VIREO_BINARY, "serve"});
    EXPECT_EQ(serve.ReadLine(), failed);
    EXPECT_EQ(serve.WaitForExit(), 1);
    SetListenPort(80);
    ChildProcess given({VIREO_BINARY, "serve", "--port", holder_port});
    EXPECT_EQ(given.ReadLine(), failed);
    EXPECT_EQ(given.WaitForExit(), 1);
}

TEST(ServeCommandStartTest, APortThatIsNoPortNumberChangesNothing)
{
    TestHome home;
    for (const char* port : {"65536", "-1", "80x", ""}) {
        ChildProcess serve({VIREO_BINARY, "serve", "--port", port});
        EXPECT_EQ(serve.WaitForExit(), 2) << port;
        EXPECT_EQ(serve.ReadRest(), "vireo: --port takes a number from 0 to 65535\n") << port;
    }
}

}  // namespace
}  // namespace vireo::testing
