#include "content/files/realtime_stream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <future>
#include <thread>

#include "base/product.h"
#include "base/unique_fd.h"
#include "platform/content_types.h"
#include "settings/dynamic_files.h"
#include "support/exchange.h"
#include "support/files.h"
#include "support/socket_pair.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Short, so a stream ends within a second of its flag being cleared.
constexpr auto kIdleLimit = 200ms;

void SetRealTime(const std::string& name, const fs::path& path, bool real_time)
{
    DynamicFile file;
    file.path = path.string();
    file.real_time = real_time;
    ASSERT_TRUE(SetDynamicFile(name, file));
}

// A stream running on its own thread. Leaving the scope clears the flag and waits for the end,
// so a failed expectation never leaves the thread behind.
class RunningStream {
public:
    RunningStream(Connection& connection, ClientTable* progress, std::string name)
        : name_(std::move(name)), result_(std::async(std::launch::async, [&connection, progress] {
              return HandleResolved(connection, progress, [](Exchange& exchange) {
                  return StreamRealTimeFile(exchange, kIdleLimit);
              });
          }))
    {
    }
    ~RunningStream()
    {
        if (!result_.valid()) return;
        DeleteDynamicFile(name_);
        result_.wait();
    }

    bool EndsWithin(std::chrono::milliseconds limit)
    {
        return result_.wait_for(limit) == std::future_status::ready;
    }

private:
    std::string name_;
    std::future<int> result_;
};

class RealTimeStreamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        int ends[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
        connection.Attach(ends[0]);
        client.reset(ends[1]);
        connection.request().Parse("GET /live.log HTTP/1.1\r\nHost: localhost\r\n\r\n");
        table.Register(connection.handle(), {});
        WriteFile(log, "written before the request\n");
        SetRealTime("live.log", log, true);
    }

    // Waits up to the deadline for more bytes from the stream; false once none can come.
    bool Receive(std::chrono::steady_clock::time_point deadline)
    {
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd entry{client.get(), POLLIN, 0};
            if (::poll(&entry, 1, 50) <= 0) continue;
            char buffer[65536];
            const ssize_t n = ::read(client.get(), buffer, sizeof buffer);
            if (n <= 0) return false;
            pending.append(buffer, static_cast<std::size_t>(n));
            return true;
        }
        return false;
    }

    // The next `count` bytes of the stream (fewer when the time runs out).
    std::string Take(std::size_t count, std::chrono::milliseconds limit = 5s)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (pending.size() < count && Receive(deadline)) {
        }
        const std::string taken = pending.substr(0, std::min(count, pending.size()));
        pending.erase(0, taken.size());
        return taken;
    }

    // The stream's bytes through the first occurrence of `marker`.
    std::string TakeThrough(std::string_view marker, std::chrono::milliseconds limit = 5s)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (pending.find(marker) == std::string::npos && Receive(deadline)) {
        }
        const std::size_t at = pending.find(marker);
        return Take(at == std::string::npos ? pending.size() : at + marker.size(), 0ms);
    }

    std::string ExpectedHeaderStart() const
    {
        return "HTTP/1.1 200 OK\r\nContent-Type: " + ContentTypeFor("live.log") +
               "\r\nServer: " + std::string(kServerName) + "\r\nTransfer-Encoding: chunked\r\nDate: ";
    }

    TestHome home;
    fs::path log = home.path() / "logs" / "live.log";
    Connection connection;
    UniqueFd client;
    ClientTable table{nullptr};
    std::string pending;
};

TEST_F(RealTimeStreamTest, SendsOnlyWhatIsAppendedAndEndsOnceTheFlagIsCleared)
{
    RunningStream stream(connection, &table, "live.log");
    const std::string header = TakeThrough("\r\n\r\n");
    ASSERT_TRUE(header.starts_with(ExpectedHeaderStart())) << header;
    EXPECT_EQ(header.size(), ExpectedHeaderStart().size() + 29 + 4);  // an RFC 1123 date, CR LF CR LF

    AppendFile(log, "hello\n");
    EXPECT_EQ(Take(11), "6\r\nhello\n\r\n");

    // Idle for longer than the limit: the flag is still set, so the stream goes on.
    std::this_thread::sleep_for(3 * kIdleLimit);
    AppendFile(log, "a line of thirty-one bytes....\n");
    EXPECT_EQ(Take(37), "1f\r\na line of thirty-one bytes....\n\r\n");
    EXPECT_FALSE(stream.EndsWithin(0ms));

    SetRealTime("live.log", log, false);
    EXPECT_EQ(Take(5), "0\r\n\r\n");
    EXPECT_TRUE(stream.EndsWithin(5s));
    EXPECT_EQ(Take(1, 200ms), "");

    std::optional<ClientEntry> entry = table.Snapshot(connection.handle());
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->sent, header.size() + 11 + 37 + 5);
    EXPECT_EQ(entry->total, entry->sent);
}

TEST_F(RealTimeStreamTest, LargeAppendsArriveInChunksOfAtMost128KiB)
{
    RunningStream stream(connection, nullptr, "live.log");
    TakeThrough("\r\n\r\n");
    std::string appended(300'000, '\0');
    for (std::size_t i = 0; i < appended.size(); ++i) appended[i] = static_cast<char>('a' + i % 26);
    AppendFile(log, appended);

    std::string received;
    int chunks = 0;
    while (received.size() < appended.size()) {
        const std::string size_line = TakeThrough("\r\n");
        ASSERT_TRUE(size_line.ends_with("\r\n"));
        const std::string hex = size_line.substr(0, size_line.size() - 2);
        ASSERT_FALSE(hex.empty());
        ASSERT_EQ(hex.find_first_not_of("0123456789abcdef"), std::string::npos) << hex;
        ASSERT_NE(hex[0], '0') << "no leading zeros";
        const std::size_t size = std::stoul(hex, nullptr, 16);
        ASSERT_LE(size, 0x20000u);
        received += Take(size);
        ASSERT_EQ(Take(2), "\r\n");
        ++chunks;
    }
    EXPECT_EQ(received, appended);
    EXPECT_GE(chunks, 3);
    SetRealTime("live.log", log, false);
    EXPECT_EQ(Take(5), "0\r\n\r\n");
}

TEST_F(RealTimeStreamTest, EndsWhenTheClientHasGoneEvenWithTheFlagSet)
{
    RunningStream stream(connection, nullptr, "live.log");
    TakeThrough("\r\n\r\n");
    client.reset();
    EXPECT_TRUE(stream.EndsWithin(5s));
}

TEST_F(RealTimeStreamTest, ANamedPipeIsStreamedAsItIsWritten)
{
    const fs::path pipe = home.path() / "feed";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    SetRealTime("feed", pipe, true);
    connection.request().Parse("GET /feed HTTP/1.1\r\n\r\n");
    RunningStream stream(connection, nullptr, "feed");
    // The stream has the pipe open once its header is out, so opening the writing end returns.
    ASSERT_TRUE(TakeThrough("\r\n\r\n").starts_with("HTTP/1.1 200 OK\r\n"));
    UniqueFd writer(::open(pipe.c_str(), O_WRONLY | O_CLOEXEC));
    ASSERT_TRUE(writer);
    ASSERT_EQ(::write(writer.get(), "piped\n", 6), 6);
    EXPECT_EQ(Take(11), "6\r\npiped\n\r\n");
}

TEST_F(RealTimeStreamTest, AnythingButAnOpenableRealTimeFileIsNotFound)
{
    WriteFile(home.path() / "plain.txt", "plain");
    SetRealTime("plain.txt", home.path() / "plain.txt", false);
    SetRealTime("gone.log", home.path() / "gone.log", true);
    SetRealTime("folder", home.path(), true);
    WriteFile(home.path() / "locked.log", "locked");
    fs::permissions(home.path() / "locked.log", fs::perms::none);
    SetRealTime("locked.log", home.path() / "locked.log", true);

    for (std::string_view url :
         {"/plain.txt", "/gone.log", "/folder", "/missing", "/live.log/x", "/live.log%00"}) {
        const std::string request = "GET " + std::string(url) + " HTTP/1.1\r\n\r\n";
        const std::string answer = AnswerOverSocketPair(request, [](Connection& c) {
            HandleResolved(c, nullptr,
                           [](Exchange& exchange) { return StreamRealTimeFile(exchange, kIdleLimit); });
        });
        EXPECT_TRUE(answer.starts_with("HTTP/1.1 404 ")) << url << ": " << answer.substr(0, 40);
    }
    // Root reads every file; the permission case means something only for other users.
    if (::geteuid() != 0) {
        const std::string answer =
            AnswerOverSocketPair("GET /locked.log HTTP/1.1\r\n\r\n", [](Connection& c) {
                HandleResolved(c, nullptr,
                               [](Exchange& exchange) { return StreamRealTimeFile(exchange, kIdleLimit); });
            });
        EXPECT_TRUE(answer.starts_with("HTTP/1.1 404 ")) << answer.substr(0, 40);
    }
}

}  // namespace
}  // namespace vireo::testing
