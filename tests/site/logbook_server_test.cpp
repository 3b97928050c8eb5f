// What the server writes to the logbook while it reads requests, through a real server on
// loopback; and the time-out record through the header reader with a short deadline.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <thread>
#include <vector>

#include "base/text_helpers.h"
#include "base/unique_fd.h"
#include "http/request_reader.h"
#include "settings/settings.h"
#include "site/logbook.h"
#include "site/site_server.h"
#include "support/files.h"
#include "support/loopback.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

const std::string kSeparator(kLogSeparator);
const std::string kRecordHead = "Time: *\r\nAddr: 127.0.0.1:*\r\n";

// The log with the time of every record and the port of every loopback visitor masked.
std::string Masked(const std::string& log)
{
    static const std::regex time("Time: \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\r\n");
    static const std::regex port("Addr: 127\\.0\\.0\\.1:[1-9]\\d{0,4}\r\n");
    return std::regex_replace(std::regex_replace(log, time, "Time: *\r\n"), port, "Addr: 127.0.0.1:*\r\n");
}

class LogbookServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listening());
        ASSERT_TRUE(SetEnableLog(true));
    }

    // Waits until the server has finished `count` connections in all, so their records are written.
    void WaitForConnections(std::size_t count)
    {
        ASSERT_TRUE(server.events().WaitForClientNotices(ClientNotice::Closed, count));
    }

    std::string Log() const { return Masked(ReadFile(server.home().path() / "vireolog.txt")); }

    TestServer server;
};

TEST_F(LogbookServerTest, EveryReadRequestIsRecordedWhateverTheAnswer)
{
    ASSERT_TRUE(SetUsePasswords(true));
    const std::string protected_request = "GET /?? HTTP/1.1\r\nHost: x\r\n\r\n";
    const std::string missing_request = "GET /missing HTTP/1.1\r\nHost: x\r\n\r\n";
    EXPECT_TRUE(Exchange(server.port(), protected_request).starts_with("HTTP/1.1 401"));
    EXPECT_TRUE(Exchange(server.port(), missing_request).starts_with("HTTP/1.1 404"));
    WaitForConnections(2);
    EXPECT_EQ(Log(), kRecordHead + "GET /?? HTTP/1.1\r\nHost: x\r\n" + kSeparator + kRecordHead +
                         "GET /missing HTTP/1.1\r\nHost: x\r\n" + kSeparator);
}

TEST_F(LogbookServerTest, ControlBytesAreRecordedEscaped)
{
    // A bare LF that would start a forged "Addr:" line, terminal escapes, a zero byte and DEL; TAB
    // and the CR LF line ends stay as they came.
    const std::string request = std::string("GET /a%1b[2J HTTP/1.1\r\nX-A: a\x1b[2J\nAddr: 6.6.6.6:1\r\n") +
                                "X-B:\tb\rc\r\nX-N: " + std::string(1, '\0') + "\x7f\r\n\r\n";
    Exchange(server.port(), request);
    WaitForConnections(1);
    const std::string log = Log();
    EXPECT_EQ(log, kRecordHead +
                       "GET /a%1b[2J HTTP/1.1\r\nX-A: a\\x1B[2J\\x0AAddr: 6.6.6.6:1\r\nX-B:\tb\\x0Dc\r\n"
                       "X-N: \\x00\\x7F\r\n\r\n" +
                       std::string(kLogBlockedMalicious) + "\r\n" + kSeparator);
    for (char c : log) {
        const auto byte = static_cast<unsigned char>(c);
        EXPECT_TRUE(byte >= 0x20 ? byte != 0x7F : (c == '\t' || c == '\r' || c == '\n')) << int(byte);
    }
}

TEST_F(LogbookServerTest, TheBodyIsNotRecorded)
{
    Exchange(server.port(), "POST / HTTP/1.1\r\nContent-Length: 4\r\n\r\nbody");
    WaitForConnections(1);
    EXPECT_EQ(Log(), kRecordHead + "POST / HTTP/1.1\r\nContent-Length: 4\r\n" + kSeparator);
}

TEST_F(LogbookServerTest, APeerThatSendsNothingLeavesADisconnectRecord)
{
    LoopbackClient(server.port()).Close();
    WaitForConnections(1);
    EXPECT_EQ(Log(), kRecordHead + "\r\n*** Disconnected by client.\r\n" + kSeparator);
}

TEST_F(LogbookServerTest, BlockedRequestsAreRecordedWithTheirReason)
{
    struct Case {
        std::string bytes;
        std::string_view message;
    };
    const Case cases[] = {
        {"BREW /pot HTTP/1.1\r\n\r\n", kLogBlockedUnknown},
        {"GET /\x01 HTTP/1.1\r\n\r\n", kLogBlockedMalicious},
        {"GET /caf\xc3\xa9", kLogBlockedMalicious},
        {"GET /" + std::string(2100, 'a'), kLogBlockedTooLong},
    };
    std::size_t finished = 0;
    for (const Case& c : cases) {
        ASSERT_TRUE(SetAutoBlockList({}));
        LoopbackClient client(server.port());
        ASSERT_TRUE(client.Send(c.bytes));
        EXPECT_TRUE(client.ClosedWithoutAnswer()) << c.message;
        WaitForConnections(++finished);
        const std::string log = Log();
        std::string text = EscapeControlBytes(c.bytes, KeptControls::TabAndLineEnds);
        while (text.ends_with('\n') || text.ends_with('\r')) text.pop_back();
        EXPECT_TRUE(
            log.ends_with(kRecordHead + text + "\r\n\r\n" + std::string(c.message) + "\r\n" + kSeparator))
            << c.message;
        // The visitor is on the list, yet this computer is still let in.
        EXPECT_EQ(GetAutoBlockList(), (AddressList{{127, 0, 0, 1}}));
    }
    EXPECT_TRUE(Exchange(server.port(), "GET /?? HTTP/1.1\r\n\r\n").starts_with("HTTP/1.1 200 OK"));
}

TEST_F(LogbookServerTest, AnOversizeHeaderWithoutTheAutoBlockListIsAnswered400AndRecorded)
{
    ASSERT_TRUE(SetUseAutoBlockList(false));
    const std::string header = "GET / HTTP/1.1\r\nX-Pad: " + std::string(70000, 'p') + "\r\n\r\n";
    EXPECT_TRUE(Exchange(server.port(), header).starts_with("HTTP/1.1 400 Bad Request\r\n"));
    WaitForConnections(1);
    const std::string log = Log();
    EXPECT_TRUE(log.starts_with(kRecordHead + "GET / HTTP/1.1\r\nX-Pad: ppp"));
    EXPECT_TRUE(log.ends_with("ppp\r\n\r\n*** Request header longer than 65536 bytes.\r\n" + kSeparator));
    EXPECT_TRUE(GetAutoBlockList().empty());
}

TEST_F(LogbookServerTest, FiftyConcurrentRequestsGiveFiftyWholeRecords)
{
    constexpr int kClients = 50;
    {
        std::vector<std::jthread> clients;
        for (int id = 0; id < kClients; ++id) {
            clients.emplace_back([this, id] {
                Exchange(server.port(), "GET /?? HTTP/1.1\r\nX-Id: " + std::to_string(id) +
                                            "\r\nX-Pad: " + std::string(1000, 'x') + "\r\n\r\n");
            });
        }
    }
    WaitForConnections(kClients);
    const std::string log = Log();
    const std::regex record(
        "Time: \\*\r\nAddr: 127\\.0\\.0\\.1:\\*\r\nGET /\\?\\? HTTP/1\\.1\r\nX-Id: (\\d+)\r\nX-Pad: "
        "x{1000}\r\n");
    std::set<int> seen;
    std::size_t at = 0;
    while (at < log.size()) {
        const std::size_t end = log.find(kSeparator, at);
        ASSERT_NE(end, std::string::npos);
        std::smatch match;
        const std::string text = log.substr(at, end - at);
        ASSERT_TRUE(std::regex_match(text, match, record)) << text.substr(0, 120);
        seen.insert(std::stoi(match[1]));
        at = end + kSeparator.size();
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kClients));
}

TEST_F(LogbookServerTest, OffMeansNoFile)
{
    ASSERT_TRUE(SetEnableLog(false));
    Exchange(server.port(), "GET /?? HTTP/1.1\r\n\r\n");
    LoopbackClient(server.port()).Close();
    WaitForConnections(2);
    EXPECT_FALSE(fs::exists(server.home().path() / "vireolog.txt"));
}

TEST_F(LogbookServerTest, LogSelfOffLeavesThisComputerOut)
{
    ASSERT_TRUE(SetLogSelf(false));
    Exchange(server.port(), "GET /?? HTTP/1.1\r\n\r\n");
    WaitForConnections(1);
    EXPECT_EQ(Log(), "");
}

// A connected pair of TCP sockets on the loopback interface: the server's end in a Connection.
class LoopbackPair {
public:
    LoopbackPair()
    {
        UniqueFd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        auto* raw = reinterpret_cast<sockaddr*>(&address);
        if (::bind(listener.get(), raw, sizeof address) != 0 || ::listen(listener.get(), 1) != 0 ||
            ::getsockname(listener.get(), raw, &length) != 0) {
            return;
        }
        client_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (::connect(client_.get(), raw, sizeof address) != 0) return;
        connection_.Attach(::accept(listener.get(), nullptr, nullptr));
        connection_.SetBlocking(false);
    }

    bool Send(std::string_view bytes)
    {
        return ::send(client_.get(), bytes.data(), bytes.size(), 0) == (ssize_t)bytes.size();
    }
    Connection& connection() { return connection_; }

private:
    UniqueFd client_;
    Connection connection_;
};

TEST(ReadRequestLogTest, AHeaderThatTakesTooLongIsRecordedWithWhatArrived)
{
    TestHome home;
    ASSERT_TRUE(SetEnableLog(true));
    LoopbackPair pair;
    ASSERT_GE(pair.connection().handle(), 0);
    ASSERT_TRUE(pair.Send("GET /slow HT"));
    ReadPolicy quick = SiteReadPolicy();
    quick.header_deadline = std::chrono::milliseconds(300);
    quick.receive_slice_ms = 100;
    EXPECT_EQ(ReadRequest(pair.connection(), quick), ReadResult::TimedOut);
    EXPECT_EQ(Masked(ReadFile(home.path() / "vireolog.txt")),
              kRecordHead + "GET /slow HT\r\n\r\n*** Request header timed out.\r\n" + kSeparator);
}

}  // namespace
}  // namespace vireo::testing
