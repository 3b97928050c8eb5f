// Clients that abuse TLS itself: old protocol versions, a second handshake, a handshake in one-byte
// pieces, huge records of noise. The site's usual one-minute header deadline is in force, so what
// ends early was ended by the server's own judgement, not by the clock.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <chrono>
#include <random>
#include <string>

#include "settings/address_list.h"
#include "settings/settings.h"
#include "site/hostile_tls_client.h"
#include "support/files.h"
#include "support/loopback.h"

namespace vireo::testing {
namespace {

using namespace std::chrono_literals;

const std::string kEcho = "GET /?? HTTP/1.1\r\nHost: x\r\n\r\n";

std::size_t Occurrences(const std::string& text, std::string_view part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

class TlsProtocolAbuseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listening());
        ASSERT_TRUE(SetEnableLog(true));
        ASSERT_TRUE(SetUseAutoBlockList(true));
    }

    // Whether the server has ended one more connection, its client row closed.
    bool Finished() { return server.events().WaitForClientNotices(ClientNotice::Closed, ++finished_); }
    std::size_t FailedHandshakes() const
    {
        return Occurrences(ReadFile(server.home().path() / "vireolog.txt"),
                           "\r\n*** TLS handshake failed.\r\n");
    }
    // The server still answers, over TLS and plain.
    void ExpectServed()
    {
        EXPECT_TRUE(tls.Send(kEcho).starts_with("HTTP/1.1 200 OK\r\n"));
        EXPECT_TRUE(Exchange(server.port(), kEcho).starts_with("HTTP/1.1 200 OK\r\n"));
        finished_ += 2;
    }

    TestServer server;
    HostileTlsClient tls{server.port(), server.home().path()};
    std::size_t finished_ = 0;
};

TEST_F(TlsProtocolAbuseTest, OldProtocolVersionsAreRefusedAndLoggedWithoutBlocking)
{
    std::size_t failures = 0;
    for (const char* version : {"TLSv1", "TLSv1_1"}) {
        SCOPED_TRACE(version);
        const ProgramResult result = tls.Run({"old", version});
        // The server's protocol_version alert, not the client's own refusal to offer them.
        EXPECT_TRUE(result.output.starts_with("refused")) << result.output;
        EXPECT_NE(result.output.find("ALERT_PROTOCOL_VERSION"), std::string::npos) << result.output;
        EXPECT_TRUE(Finished());
        EXPECT_EQ(FailedHandshakes(), ++failures);
        EXPECT_TRUE(GetAutoBlockList().empty());
    }
    ExpectServed();
}

TEST_F(TlsProtocolAbuseTest, ARenegotiationAskedByTheClientIsRefused)
{
    const ProgramResult result = tls.Run({"renegotiate", tls.Holding(kEcho)});
    EXPECT_EQ(result.exit_code, 0);
    // OpenSSL's client names the server's no_renegotiation alert.
    EXPECT_TRUE(result.output.starts_with("unanswered\n")) << result.output;
    EXPECT_NE(result.output.find("no renegotiation"), std::string::npos) << result.output;
    EXPECT_TRUE(Finished());
    EXPECT_TRUE(GetAutoBlockList().empty());
    ExpectServed();
}

TEST_F(TlsProtocolAbuseTest, AHandshakeInOneByteWritesIsServed)
{
    const std::string plain = MaskDate(Exchange(server.port(), kEcho));
    ASSERT_TRUE(plain.starts_with("HTTP/1.1 200 OK\r\n")) << plain;
    const ProgramResult result = tls.Run({"split", tls.Holding(kEcho)});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(MaskDate(result.output), plain);
}

TEST_F(TlsProtocolAbuseTest, HugeRecordsOfNoiseAreClosedAtOnce)
{
    struct Case {
        const char* what;
        std::string head;
    };
    const Case cases[] = {
        {"a record longer than TLS allows", std::string("\x16\x03\x01\xff\xff", 5)},
        {"a full-size record of noise", std::string("\x16\x03\x01\x40\x00", 5)},
        {"a ClientHello announcing 16 MiB", std::string("\x16\x03\x01\x40\x00\x01\xff\xff\xff", 9)},
    };
    std::mt19937 random(11);
    std::string noise(16 * 1024, '\0');
    std::size_t failures = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto started = std::chrono::steady_clock::now();
        LoopbackClient client(server.port());
        ASSERT_TRUE(client.connected());
        // A sender that is never read from gives up instead of hanging the test.
        const timeval limit{5, 0};
        ::setsockopt(client.handle(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        ASSERT_TRUE(client.Send(c.head));
        // Noise goes on until the server closes or 8 MiB have gone.
        for (int piece = 0; piece < 512; ++piece) {
            for (char& byte : noise) byte = static_cast<char>(random());
            if (!client.Send(noise)) break;
        }
        EXPECT_EQ(client.ReadAll(5s).find("HTTP/"), std::string::npos);
        EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
        EXPECT_TRUE(Finished());
        EXPECT_EQ(FailedHandshakes(), ++failures);
        EXPECT_TRUE(GetAutoBlockList().empty());
    }
    ExpectServed();
}

}  // namespace
}  // namespace vireo::testing
