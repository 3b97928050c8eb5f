// The site over HTTPS on its usual port: real clients (curl, Python's ssl), real sockets.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/tls_certificate.h"
#include "settings/settings.h"
#include "settings/settings_folders.h"
#include "site/site_tls.h"
#include "support/child_process.h"
#include "support/files.h"
#include "support/loopback.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

const std::string kClientScript = std::string(VIREO_TESTS_SOURCE) + "/site/tls_client.py";

class TlsSiteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listening());
        fs::create_directories(shared);
        WriteFile(shared / "hello.txt", "hello over TLS\n");
        FolderSettings docs;
        docs.path = shared.string();
        ASSERT_TRUE(WriteFolder("docs", docs));
    }

    std::string Https(std::string_view path) const
    {
        return "https://127.0.0.1:" + std::to_string(server.port()) + std::string(path);
    }
    fs::path SelfSignedCertificate() const
    {
        const auto files = SiteTlsFiles();
        return files ? files->certificate : fs::path();
    }
    ProgramResult Curl(std::vector<std::string> arguments) const
    {
        arguments.insert(arguments.begin(), {"/usr/bin/curl", "-s", "--max-time", "20"});
        return RunProgram(arguments);
    }
    ProgramResult Python(std::vector<std::string> arguments) const
    {
        arguments.insert(arguments.begin(),
                         {"/usr/bin/python3", kClientScript, std::to_string(server.port())});
        return RunProgram(arguments);
    }

    TestServer server;
    fs::path shared = server.home().path() / "shared";
};

TEST_F(TlsSiteTest, CurlVerifiesTheSelfSignedCertificateAgainstItsFile)
{
    const fs::path certificate = SelfSignedCertificate();
    ASSERT_FALSE(certificate.empty());
    const ProgramResult result = Curl({"--cacert", certificate.string(), Https("/docs/hello.txt")});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, "hello over TLS\n");
    // The key is the owner's alone.
    const fs::perms key = fs::status(SelfSignedPaths(certificate.parent_path()).key).permissions();
    EXPECT_EQ(key & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(TlsSiteTest, CurlWithThePublicKeyPinned)
{
    const fs::path certificate = SelfSignedCertificate();
    ASSERT_FALSE(certificate.empty());
    const ProgramResult pin = RunProgram(
        {"/bin/sh", "-c",
         "openssl x509 -in '" + certificate.string() +
             "' -pubkey -noout | openssl pkey -pubin -outform der | openssl dgst -sha256 -binary | base64"});
    ASSERT_EQ(pin.exit_code, 0);
    const std::string pinned = "sha256//" + pin.output.substr(0, pin.output.find('\n'));
    ProgramResult result = Curl({"-k", "--pinnedpubkey", pinned, Https("/docs/hello.txt")});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, "hello over TLS\n");
    // Another key is refused.
    result = Curl({"-k", "--pinnedpubkey",
                   "sha256//AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=", Https("/docs/hello.txt")});
    EXPECT_NE(result.exit_code, 0);
}

TEST_F(TlsSiteTest, AWrongCertificateAuthorityIsRefusedByCurl)
{
    const ProgramResult result = Curl({"--cacert", "/etc/ssl/certs/ca-certificates.crt", Https("/")});
    EXPECT_NE(result.exit_code, 0);
}

TEST_F(TlsSiteTest, PythonSendsTheRequestInPieces)
{
    const ProgramResult result = Python(
        {"GET /docs/hello.txt HTTP/1.1\\r\\nHost: 127.0.0.1\\r\\n\\r\\n", SelfSignedCertificate().string()});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_TRUE(result.output.starts_with("HTTP/1.1 200 OK\r\n")) << result.output;
    EXPECT_TRUE(result.output.ends_with("\r\n\r\nhello over TLS\n")) << result.output;
}

TEST_F(TlsSiteTest, PlainAndTlsVisitorsShareThePort)
{
    const std::string plain =
        Exchange(server.port(), "GET /docs/hello.txt HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    EXPECT_TRUE(plain.starts_with("HTTP/1.1 200 OK\r\n")) << plain;
    EXPECT_TRUE(plain.ends_with("hello over TLS\n"));
    const ProgramResult tls = Curl({"--cacert", SelfSignedCertificate().string(), Https("/docs/hello.txt")});
    EXPECT_EQ(tls.output, "hello over TLS\n");
    const std::string again = Exchange(server.port(), "GET /docs/hello.txt HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(again.ends_with("hello over TLS\n"));
}

TEST_F(TlsSiteTest, HttpsOnlyMovesPlainRequestsToHttps)
{
    ASSERT_TRUE(Write(setting::kHttpsOnly, true));
    const std::string plain =
        Exchange(server.port(), "GET /docs/hello.txt?x=1 HTTP/1.1\r\nHost: example.test:8080\r\n\r\n");
    EXPECT_TRUE(plain.starts_with("HTTP/1.1 301 Moved Permanently\r\n")) << plain;
    EXPECT_NE(plain.find("\r\nLocation: https://example.test:8080/docs/hello.txt?x=1\r\n"), std::string::npos)
        << plain;
    // Without a port the visitor came in on port 80, which is also where HTTPS is served.
    for (const auto& [host, location] : std::vector<std::pair<std::string, std::string>>{
             {"example.test", "https://example.test:80/"},
             {"192.0.2.7", "https://192.0.2.7:80/"},
             {"[2001:db8::1]", "https://[2001:db8::1]:80/"},
             {"[2001:db8::1]:8443", "https://[2001:db8::1]:8443/"}}) {
        const std::string moved = Exchange(server.port(), "GET / HTTP/1.1\r\nHost: " + host + "\r\n\r\n");
        EXPECT_NE(moved.find("\r\nLocation: " + location + "\r\n"), std::string::npos) << moved;
    }
    // A Host that could break the header line is not echoed; the address the visitor reached is.
    const std::string odd = Exchange(server.port(), "GET / HTTP/1.1\r\nHost: a b\r\n\r\n");
    EXPECT_NE(odd.find("\r\nLocation: https://127.0.0.1:" + std::to_string(server.port()) + "/\r\n"),
              std::string::npos)
        << odd;
    // A certificate authority's challenge stays plain, so a renewal can reach it.
    fs::create_directories(shared / "acme-challenge");
    WriteFile(shared / "acme-challenge" / "t0ken", "t0ken.key\n");
    FolderSettings well_known;
    well_known.path = shared.string();
    well_known.can_browse_subfolders = true;
    ASSERT_TRUE(WriteFolder(".well-known", well_known));
    const std::string challenge = Exchange(
        server.port(), "GET /.well-known/acme-challenge/t0ken HTTP/1.1\r\nHost: example.test\r\n\r\n");
    EXPECT_TRUE(challenge.starts_with("HTTP/1.1 200 OK\r\n")) << challenge;
    EXPECT_TRUE(challenge.ends_with("\r\n\r\nt0ken.key\n")) << challenge;
    // curl follows it onto TLS and gets the file.
    const ProgramResult followed =
        Curl({"-L", "--cacert", SelfSignedCertificate().string(),
              "http://127.0.0.1:" + std::to_string(server.port()) + "/docs/hello.txt"});
    EXPECT_EQ(followed.output, "hello over TLS\n");
}

// The server ends every TLS answer with close_notify, so a client can tell a whole answer from
// one cut short: Python, told not to overlook it, raises SSLEOFError for a connection closed
// without it.
TEST_F(TlsSiteTest, EveryAnswerEndsWithCloseNotify)
{
    const std::string client =
        "import socket, ssl, sys\n"
        "context = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)\n"
        "context.check_hostname = False\n"
        "context.verify_mode = ssl.CERT_NONE\n"
        "context.options &= ~ssl.OP_IGNORE_UNEXPECTED_EOF\n"
        "raw = socket.create_connection(('127.0.0.1', int(sys.argv[1])), timeout=10)\n"
        "tls = context.wrap_socket(raw, suppress_ragged_eofs=False)\n"
        "tls.sendall(sys.argv[2].encode().decode('unicode_escape').encode('latin-1'))\n"
        "while tls.recv(65536):\n"
        "    pass\n"
        "print('clean end')\n";
    const std::string port = std::to_string(server.port());
    for (const char* request : {"GET /docs/hello.txt HTTP/1.1\\r\\n\\r\\n",
                                "GET /docs/hello.txt HTTP/1.1\\r\\nConnection: close\\r\\n\\r\\n",
                                "GET /nowhere HTTP/1.1\\r\\nConnection: close\\r\\n\\r\\n"}) {
        const ProgramResult ended = RunProgram({"/usr/bin/python3", "-c", client, port, request});
        EXPECT_EQ(ended.output, "clean end\n") << request;
    }
}

TEST_F(TlsSiteTest, AReplacedCertificateServesNewConnections)
{
    const fs::path folder = server.home().path() / "owner";
    const auto first = MakeSelfSignedCertificate(folder / "a", "first.test", {});
    const auto second = MakeSelfSignedCertificate(folder / "b", "second.test", {});
    ASSERT_TRUE(first && second);
    const fs::path certificate = folder / "site.pem";
    const fs::path key = folder / "site.key";
    fs::copy_file(first->certificate, certificate);
    fs::copy_file(first->key, key);
    ASSERT_TRUE(Write(setting::kTlsCertificate, certificate.string()));
    ASSERT_TRUE(Write(setting::kTlsKey, key.string()));

    const std::string first_print = CertificateFingerprint(first->certificate).value_or("");
    const std::string second_print = CertificateFingerprint(second->certificate).value_or("");
    ASSERT_NE(first_print, second_print);
    auto served = [&] {
        const ProgramResult result = Python({"--fingerprint"});
        return result.output.substr(0, result.output.find('\n'));
    };
    // The files are looked at once a second, so the change shows within moments.
    auto shows = [&](const std::string& expected) {
        for (int attempt = 0; attempt < 40; ++attempt) {
            if (served() == expected) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
        return false;
    };
    EXPECT_TRUE(shows(first_print));
    // A renewal writes new files in place, as an ACME client does.
    fs::copy_file(second->key, folder / "new.key");
    fs::copy_file(second->certificate, folder / "new.pem");
    fs::rename(folder / "new.key", key);
    fs::rename(folder / "new.pem", certificate);
    EXPECT_TRUE(shows(second_print));
}

}  // namespace
}  // namespace vireo::testing
