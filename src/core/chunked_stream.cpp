#include "core/chunked_stream.h"

#include <cstdio>

namespace vireo {
namespace {

// A peer that takes nothing for this long has gone; its thread must not wait on it forever.
constexpr auto kStallLimit = std::chrono::seconds(60);

}  // namespace

ChunkedStream::ChunkedStream(Connection& connection, ClientTable* progress, int send_slice_ms)
    : connection_(connection), progress_(progress), meter_{connection.handle(), 0, 0}, send_slice_ms_(send_slice_ms)
{
}

void ChunkedStream::Queue(std::string_view bytes)
{
    connection_.QueueText(bytes);
    meter_.total += bytes.size();
}

void ChunkedStream::QueueChunk(std::string_view data)
{
    char size_line[24];
    std::snprintf(size_line, sizeof size_line, "%zx\r\n", data.size());
    Queue(size_line);
    Queue(data);
    Queue("\r\n");
}

bool ChunkedStream::SendOnce()
{
    result_ = connection_.Send(send_slice_ms_);
    const auto now = std::chrono::steady_clock::now();
    if (result_ > 0) {
        last_progress_ = now;
        meter_.sent += static_cast<std::uint64_t>(result_);
        if (progress_) progress_->SetProgress(meter_);
        return true;
    }
    if (result_ == 0 || result_ == kSocketWouldBlock) return now - last_progress_ < kStallLimit;
    return false;
}

bool ChunkedStream::SendAll()
{
    while (connection_.QueuedLength() > 0) {
        if (!SendOnce()) return false;
    }
    return true;
}

}  // namespace vireo
