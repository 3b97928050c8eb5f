#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

namespace vireo {

// Lines written to a stream by a thread of their own, in the order they were printed: whoever prints
// never waits for the stream, so a terminal that stops reading cannot hold up a connection. While
// the stream takes nothing, at most `max_waiting` lines wait; later ones are left out and counted,
// and the count is written once the stream takes lines again.
class LinePrinter {
public:
    explicit LinePrinter(std::ostream& out, std::size_t max_waiting = 10000);
    // Writes what is waiting, then ends the thread.
    ~LinePrinter();
    LinePrinter(const LinePrinter&) = delete;
    LinePrinter& operator=(const LinePrinter&) = delete;

    // Queues one line, its control bytes written as "\xNN"; its line end is added when it is written.
    void Print(std::string line);
    // Returns once every line printed before the call has been written.
    void Flush();

private:
    void Run();

    std::ostream& out_;
    const std::size_t max_waiting_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> waiting_;
    std::size_t left_out_ = 0;
    bool writing_ = false;
    bool idle_ = false;  // the thread waits for lines and must be woken for one
    bool closing_ = false;
    std::thread thread_;  // started last, once everything it uses is in place
};

}  // namespace vireo
