#include "http/tracked_sender.h"

namespace vireo {
namespace {

constexpr auto kStallLimit = std::chrono::seconds(60);

}  // namespace

TrackedSender::TrackedSender(Connection& connection, ClientTable* progress, int send_slice_ms,
                             std::uint64_t total)
    : connection_(connection),
      progress_(progress),
      meter_{connection.handle(), total, 0},
      send_slice_ms_(send_slice_ms)
{
}

bool TrackedSender::SendOnce()
{
    return Account(connection_.Send(send_slice_ms_));
}

bool TrackedSender::SendFileOnce(int file, std::size_t count)
{
    return Account(connection_.SendFile(file, count, send_slice_ms_));
}

bool TrackedSender::Account(int result)
{
    result_ = result;
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

bool TrackedSender::SendAll()
{
    while (connection_.QueuedLength() > 0) {
        if (!SendOnce()) return false;
    }
    return true;
}

}  // namespace vireo
