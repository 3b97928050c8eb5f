// What the site does with connections that open a TLS handshake and do not finish it, or finish it
// and then send no whole request in time.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "settings/address_list.h"
#include "settings/settings.h"
#include "site/hostile_tls_client.h"
#include "support/child_process.h"
#include "support/files.h"
#include "support/loopback.h"

namespace vireo::testing {
namespace {

using namespace std::chrono_literals;

// The site's server with a short header deadline, so a stall is seen without waiting a minute.
class QuickServer {
public:
    QuickServer() : events_(std::make_shared<RecordingEvents>())
    {
        ServerSetup setup = LoopbackSiteSetup({127, 0, 0, 1});
        setup.read_policy.header_deadline = 500ms;
        setup.read_policy.receive_slice_ms = 100;
        server_ = std::make_unique<Server>(events_, std::move(setup));
        server_->Start();
        listening_ = events_->WaitForServerNotice(ServerNotice::Listening);
    }
    ~QuickServer()
    {
        server_->RequestStop();
        events_->WaitForServerNotice(ServerNotice::Stopped);
    }
    bool listening() const { return listening_; }
    std::uint16_t port() const { return server_->BoundAddress().port; }
    // Whether the server has ended `count` connections in all, their records written.
    bool Finished(std::size_t count) { return events_->WaitForClientNotices(ClientNotice::Closed, count); }

private:
    std::shared_ptr<RecordingEvents> events_;
    std::unique_ptr<Server> server_;
    bool listening_ = false;
};

class TlsHandshakeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetEnableLog(true));
        ASSERT_TRUE(SetUseAutoBlockList(true));
        ASSERT_TRUE(server.listening());
    }
    std::string Log() const { return ReadFile(home.path() / "vireolog.txt"); }

    TestHome home;
    QuickServer server;
};

TEST_F(TlsHandshakeTest, AStalledHandshakeIsDroppedAtTheHeaderDeadline)
{
    LoopbackClient client(server.port());
    ASSERT_TRUE(client.connected());
    const auto started = std::chrono::steady_clock::now();
    // The start of a ClientHello record, and then nothing.
    ASSERT_TRUE(client.Send(std::string("\x16\x03\x01\x00\xc8\x01", 6)));
    EXPECT_TRUE(client.ClosedWithoutAnswer(5s));
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, 400ms);
    EXPECT_LT(waited, 3s);
    EXPECT_NE(Log().find("*** Request header timed out."), std::string::npos) << Log();
    EXPECT_TRUE(GetAutoBlockList().empty());
}

TEST_F(TlsHandshakeTest, ASilentOrTricklingClientAfterTheHandshakeIsDroppedAtTheHeaderDeadline)
{
    const HostileTlsClient tls(server.port(), home.path());
    // Nothing at all, and a header one byte every 100 ms that would take six seconds.
    for (const std::string& bytes :
         {std::string(), "GET /slow HTTP/1.1\r\nX-Slow: " + std::string(30, 's')}) {
        SCOPED_TRACE(bytes.size());
        const auto started = std::chrono::steady_clock::now();
        ChildProcess client(tls.Command({"stall", tls.Holding(bytes), "100"}));
        EXPECT_EQ(client.ReadLine().value_or(""), "ready");
        EXPECT_EQ(client.ReadLine(5s).value_or(""), "closed");
        const auto waited = std::chrono::steady_clock::now() - started;
        EXPECT_GE(waited, 400ms);
        EXPECT_LT(waited, 3s);
    }
    // Two records of the time-out, one with the part of the header that came.
    const std::string log = Log();
    const std::string timed_out = "\r\n*** Request header timed out.\r\n";
    const std::size_t first = log.find(timed_out);
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_NE(log.find(timed_out, first + 1), std::string::npos) << log;
    EXPECT_NE(log.find("\r\nG"), std::string::npos) << log;
    EXPECT_TRUE(GetAutoBlockList().empty());
}

TEST_F(TlsHandshakeTest, GarbageAfterTheHandshakeByteIsClosedAndLoggedWithoutBlocking)
{
    LoopbackClient client(server.port());
    ASSERT_TRUE(client.connected());
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(client.Send("\x16garbage that is no TLS record at all\r\n\r\n"));
    // At most a TLS alert comes back, never an HTTP answer, and the server closes at once.
    const std::string answer = client.ReadAll(5s);
    EXPECT_EQ(answer.find("HTTP/"), std::string::npos) << answer;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
    EXPECT_NE(Log().find("*** TLS handshake failed."), std::string::npos) << Log();
    EXPECT_TRUE(GetAutoBlockList().empty());
    // The same address is still served.
    const std::string plain = Exchange(server.port(), "GET /nothing-here HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(plain.starts_with("HTTP/1.1 ")) << plain;
}

TEST_F(TlsHandshakeTest, AClientThatLeavesAfterTheFirstByteIsNotBlocked)
{
    {
        LoopbackClient client(server.port());
        ASSERT_TRUE(client.connected());
        ASSERT_TRUE(client.Send("\x16"));
    }
    const std::string plain = Exchange(server.port(), "GET /nothing-here HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(plain.starts_with("HTTP/1.1 ")) << plain;
    // The one that left may still be at its handshake while the plain one is answered.
    EXPECT_TRUE(server.Finished(2));
    EXPECT_TRUE(GetAutoBlockList().empty());
}

}  // namespace
}  // namespace vireo::testing
