// The header read loop over a real socket pair, with short limits so slow peers are quick to test.
#include "http/request_reader.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

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
    void Send(std::string_view bytes)
    {
        ASSERT_EQ(::write(peer, bytes.data(), bytes.size()), (ssize_t)bytes.size());
    }

    // Short limits so slow peers are quick to test; hostile headers refused, as the site does
    // while its auto-block list is in use; every outcome kept.
    ReadPolicy Quick()
    {
        ReadPolicy policy;
        policy.header_deadline = 1000ms;
        policy.receive_slice_ms = 100;
        policy.refuse_hostile = [this] { return refuse_hostile; };
        policy.report = [this](const ReadReport& report) {
            reports.push_back({report.result, std::string(report.bytes), report.malicious});
        };
        return policy;
    }

    struct Seen {
        ReadResult result;
        std::string bytes;
        bool malicious;
    };

    Connection connection;
    int peer = -1;
    bool refuse_hostile = true;
    std::vector<Seen> reports;
    const ReadPolicy quick = Quick();
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

TEST_F(RequestReaderTest, ReportsEveryOutcomeOnceWithWhatArrived)
{
    Send("GET /a HTTP/1.1\r\n\r\n");
    ASSERT_EQ(ReadRequest(connection, quick), ReadResult::Ok);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].result, ReadResult::Ok);
    EXPECT_EQ(reports[0].bytes, "GET /a HTTP/1.1\r\n\r\n");

    Connection malformed;
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    malformed.Attach(ends[0]);
    malformed.SetBlocking(false);
    // A first path element of 48 bytes or more before a separator is not a request of this site.
    const std::string attack = "GET /" + std::string(60, 'a') + "/x HTTP/1.1\r\n\r\n";
    ASSERT_EQ(::write(ends[1], attack.data(), attack.size()), (ssize_t)attack.size());
    EXPECT_EQ(ReadRequest(malformed, quick), ReadResult::Blocked);
    ::close(ends[1]);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].result, ReadResult::Blocked);
    EXPECT_EQ(reports[1].bytes, attack);
}

TEST_F(RequestReaderTest, WithoutHostileRefusalOnlyTheSizeLimitHolds)
{
    refuse_hostile = false;
    ReadPolicy small = Quick();
    small.max_header_bytes = 64;
    Send("GET /caf\xc3\xa9 HTTP/1.1\r\nX-Pad: " + std::string(100, 'p'));
    EXPECT_EQ(ReadRequest(connection, small), ReadResult::TooLarge);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].result, ReadResult::TooLarge);
    EXPECT_FALSE(IsBlocked(reports[0].result));
}

TEST_F(RequestReaderTest, HostileHeaderLimitCountsBytesWithoutTheEnd)
{
    ReadPolicy small = Quick();
    small.hostile_header_bytes = 32;
    Send("GET /" + std::string(40, 'a'));
    EXPECT_EQ(ReadRequest(connection, small), ReadResult::BlockedTooLong);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(IsBlocked(reports[0].result));
}

}  // namespace
}  // namespace vireo
