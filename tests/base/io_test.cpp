#include "base/io.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace vireo::testing {
namespace {

using namespace std::chrono_literals;

std::atomic<int> signals_taken{0};

void TakeSignal(int)
{
    signals_taken.fetch_add(1);
}

// A pipe whose ends close with the test.
struct Pipe {
    Pipe()
    {
        int ends[2];
        if (::pipe(ends) == 0) {
            read_end.reset(ends[0]);
            write_end.reset(ends[1]);
        }
    }
    UniqueFd read_end;
    UniqueFd write_end;
};

// Whether the thread is asleep in the kernel, as it is while a call waits for data or for time.
bool Asleep(pid_t thread)
{
    std::ifstream stat("/proc/self/task/" + std::to_string(thread) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t name_end = text.rfind(')');
    return name_end != std::string::npos && name_end + 2 < text.size() && text[name_end + 2] == 'S';
}

// Each test takes SIGUSR1 with a handler that does nothing and, without SA_RESTART, makes the system
// call it lands in fail with EINTR; the calls under test must go on regardless.
class IoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        struct sigaction action {};
        action.sa_handler = TakeSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous_), 0);
        signals_taken.store(0);
    }
    void TearDown() override { ::sigaction(SIGUSR1, &previous_, nullptr); }

    // From another thread: `delay` after the calling thread fell asleep in its call, signals it and
    // waits until the handler has run, then does `after`.
    template <typename After>
    std::thread InterruptThenDo(std::chrono::milliseconds delay, After after)
    {
        const pid_t caller = ::gettid();
        const pthread_t caller_thread = ::pthread_self();
        return std::thread([caller, caller_thread, delay, after] {
            while (!Asleep(caller)) std::this_thread::sleep_for(1ms);
            std::this_thread::sleep_for(delay);
            ::pthread_kill(caller_thread, SIGUSR1);
            while (signals_taken.load() == 0) std::this_thread::sleep_for(1ms);
            after();
        });
    }

private:
    struct sigaction previous_ {};
};

TEST_F(IoTest, WriteAllDeliversALargeBufferWhole)
{
    Pipe pipe;
    ASSERT_TRUE(pipe.read_end && pipe.write_end);
    // Many times what a pipe holds, so the writer is held up again and again while the reader drains.
    std::string sent(8 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i * 131 % 251);

    std::string received;
    std::thread reader([&] {
        char buffer[4096];
        for (;;) {
            const ssize_t got = ReadSome(pipe.read_end.get(), buffer, sizeof buffer);
            if (got <= 0) return;
            received.append(buffer, static_cast<std::size_t>(got));
        }
    });
    const bool written = WriteAll(pipe.write_end.get(), sent.data(), sent.size());
    pipe.write_end.reset();
    reader.join();

    EXPECT_TRUE(written);
    EXPECT_TRUE(received == sent) << "received " << received.size() << " of " << sent.size() << " bytes";
}

TEST_F(IoTest, ReadSomeGoesOnAfterASignalAndReturnsTheData)
{
    Pipe pipe;
    ASSERT_TRUE(pipe.read_end && pipe.write_end);
    std::thread helper =
        InterruptThenDo(0ms, [&] { ASSERT_TRUE(WriteAll(pipe.write_end.get(), "late", 4)); });

    char buffer[16];
    const ssize_t got = ReadSome(pipe.read_end.get(), buffer, sizeof buffer);
    helper.join();

    EXPECT_EQ(signals_taken.load(), 1);
    ASSERT_EQ(got, 4);
    EXPECT_EQ(std::string(buffer, 4), "late");
}

TEST_F(IoTest, PollRetryingWaitsOutItsTimeDespiteASignal)
{
    Pipe pipe;
    ASSERT_TRUE(pipe.read_end && pipe.write_end);
    // The signal comes two seconds into the wait: a poll that started its whole time over would
    // wait two seconds too long, one that gave up would end two seconds early.
    constexpr auto kTimeout = 3000ms;
    std::thread helper = InterruptThenDo(2000ms, [] {});

    pollfd entry{pipe.read_end.get(), POLLIN, 0};
    const auto started = std::chrono::steady_clock::now();
    const int ready = PollRetrying(&entry, 1, static_cast<int>(kTimeout.count()));
    const auto waited = std::chrono::steady_clock::now() - started;
    helper.join();

    EXPECT_EQ(signals_taken.load(), 1);
    EXPECT_EQ(ready, 0);
    EXPECT_GE(waited, kTimeout);
    EXPECT_LT(waited, kTimeout + 1000ms);
}

}  // namespace
}  // namespace vireo::testing
