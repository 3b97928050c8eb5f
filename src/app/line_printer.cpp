#include "app/line_printer.h"

#include <chrono>
#include <thread>
#include <utility>

#include "base/text_helpers.h"

namespace vireo {

namespace {

constexpr auto kGatherTime = std::chrono::milliseconds(20);

}  // namespace

LinePrinter::LinePrinter(std::ostream& out, std::size_t max_waiting)
    : out_(out), max_waiting_(max_waiting), thread_(&LinePrinter::Run, this)
{
}

LinePrinter::~LinePrinter()
{
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void LinePrinter::Print(std::string line)
{
    // Lines carry what visitors sent (addresses of files they asked for); a control byte among it
    // must neither reach the terminal nor start a line of its own.
    line = EscapeControlBytes(line, KeptControls::None);
    {
        std::lock_guard lock(mutex_);
        if (waiting_.size() >= max_waiting_) {
            ++left_out_;
            return;
        }
        waiting_.push_back(std::move(line));
        // Only a printer that waits for lines needs waking; one that writes or pauses takes this
        // line with the next batch.
        if (!idle_) return;
        idle_ = false;
    }
    changed_.notify_all();
}

void LinePrinter::Flush()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return waiting_.empty() && left_out_ == 0 && !writing_; });
}

void LinePrinter::Run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        idle_ = true;
        changed_.wait(lock, [this] { return closing_ || !waiting_.empty() || left_out_ > 0; });
        idle_ = false;
        // A busy server prints a line per request. While lines keep coming, this thread writes what
        // has gathered and then sleeps for a moment, and nobody wakes it for a line: many lines go
        // out with one system call, and this thread wakes a few dozen times a second at most. Only
        // a moment without a line sends it back to waiting, where the next line wakes it.
        while (!waiting_.empty() || left_out_ > 0) {
            std::deque<std::string> batch = std::exchange(waiting_, {});
            const std::size_t left_out = std::exchange(left_out_, 0);
            writing_ = true;
            lock.unlock();
            for (const std::string& line : batch) out_ << line << '\n';
            if (left_out > 0) {
                out_ << "(" << left_out << " lines left out: the output was not being read)\n";
            }
            out_.flush();
            lock.lock();
            writing_ = false;
            changed_.notify_all();
            if (closing_) continue;
            // Sleeping without the lock (rather than waiting on the condition) leaves the lock free
            // for whoever prints meanwhile, and takes it back without a system call.
            lock.unlock();
            std::this_thread::sleep_for(kGatherTime);
            lock.lock();
        }
        if (closing_) return;
    }
}

}  // namespace vireo
