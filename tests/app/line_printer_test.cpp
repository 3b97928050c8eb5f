// The printer that writes the server's log lines on a thread of its own.
#include "app/line_printer.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace vireo::testing {
namespace {

// A stream buffer that holds every write until it is opened, as a terminal that stopped reading.
class GatedBuffer : public std::stringbuf {
public:
    void Open()
    {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    // Waits until a write is held at the gate.
    void WaitForWriter()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return writer_waiting_; });
    }

protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override
    {
        Pass();
        return std::stringbuf::xsputn(text, count);
    }
    int_type overflow(int_type c) override
    {
        Pass();
        return std::stringbuf::overflow(c);
    }

private:
    void Pass()
    {
        std::unique_lock lock(mutex_);
        writer_waiting_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    bool writer_waiting_ = false;
};

TEST(LinePrinterTest, LinesFromManyThreadsComeOutWholeAndInTheirOrder)
{
    std::ostringstream out;
    {
        LinePrinter printer(out);
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&printer, t] {
                for (int i = 0; i < 200; ++i) printer.Print(std::to_string(t) + ":" + std::to_string(i));
            });
        }
        for (std::thread& thread : threads) thread.join();
        printer.Flush();
        std::istringstream lines(out.str());
        int next[4] = {0, 0, 0, 0};
        int count = 0;
        for (std::string line; std::getline(lines, line); ++count) {
            const int t = line[0] - '0';
            ASSERT_EQ(line, std::to_string(t) + ":" + std::to_string(next[t]++));
        }
        EXPECT_EQ(count, 800);
    }
}

TEST(LinePrinterTest, AStreamThatTakesNothingNeverHoldsUpWhoPrints)
{
    GatedBuffer gate;
    std::ostream out(&gate);
    LinePrinter printer(out, 3);
    printer.Print("first");
    gate.WaitForWriter();
    // The writer is stuck on "first": three lines wait, the rest are only counted.
    for (const char* line : {"a", "b", "c", "d", "e"}) printer.Print(line);
    gate.Open();
    printer.Flush();
    EXPECT_EQ(gate.str(), "first\na\nb\nc\n(2 lines left out: the output was not being read)\n");
}

}  // namespace
}  // namespace vireo::testing
