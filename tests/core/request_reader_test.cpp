// The header read loop over a real socket pair, with short limits so slow peers are quick to test.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "config/settings.h"
#include "core/request_reader.h"
#include "support/test_home.h"

namespace vireo {
namespace {

using namespace std::chrono_literals;

class RequestReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        int ends[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
        connection.Attach(ends[0]);
        connection.SetBlocking(false);
        peer = ends[1];
    }
    void TearDown() override
    {
        if (peer >= 0) ::close(peer);
    }
    void Send(std::string_view bytes) { ASSERT_EQ(::write(peer, bytes.data(), bytes.size()), (ssize_t)bytes.size()); }

    testing::TestHome home;
    Connection connection;
    int peer = -1;
    const ReadLimits quick{std::chrono::milliseconds(1000), 100};
};

TEST_F(RequestReaderTest, KeepsBodyBytesAfterTheHeader)
{
    Send("POST /up HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello");
    ASSERT_EQ(ReadRequest(connection, quick), ReadResult::Ok);
    EXPECT_EQ(connection.header_length(), 40u);
    EXPECT_EQ(connection.ReceivedData(), "hello");
    EXPECT_EQ(connection.request().Url(), "/up");
}

TEST_F(RequestReaderTest, PeerClosingFirstIsADisconnect)
{
    Send("GET / HT");
    ::close(peer);
    peer = -1;
    EXPECT_EQ(ReadRequest(connection, quick), ReadResult::Disconnected);
}

TEST_F(RequestReaderTest, SlowPeerTimesOutAtTheHeaderDeadline)
{
    std::jthread dribble([this](std::stop_token stop) {
        const std::string request = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";
        for (char c : request) {
            if (stop.stop_requested()) return;
            [[maybe_unused]] ssize_t ignored = ::write(peer, &c, 1);
            std::this_thread::sleep_for(200ms);
        }
    });
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadRequest(connection, quick), ReadResult::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
}

TEST_F(RequestReaderTest, WholeHeaderOverTheBlockLimitIsStillParsed)
{
    // The 2048-byte limit is for bytes that arrive without the header's end.
    std::string request = "GET /long HTTP/1.1\r\nX-Pad: " + std::string(3000, 'p') + "\r\n\r\n";
    Send(request);
    ASSERT_EQ(ReadRequest(connection, quick), ReadResult::Ok);
    EXPECT_EQ(connection.request().Header("x-pad").size(), 3000u);
}

TEST_F(RequestReaderTest, HighBytesArrivingInPiecesAreBlockedButPassWhole)
{
    Send("GET /caf\xc3\xa9");
    EXPECT_EQ(ReadRequest(connection, quick), ReadResult::BlockedForbiddenByte);

    Connection whole;
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    whole.Attach(ends[0]);
    whole.SetBlocking(false);
    const std::string request = "GET /caf\xc3\xa9 HTTP/1.1\r\n\r\n";
    ASSERT_EQ(::write(ends[1], request.data(), request.size()), (ssize_t)request.size());
    EXPECT_EQ(ReadRequest(whole, quick), ReadResult::Ok);
    EXPECT_EQ(whole.request().Url(), "/caf\xc3\xa9");
    ::close(ends[1]);
}

}  // namespace
}  // namespace vireo
