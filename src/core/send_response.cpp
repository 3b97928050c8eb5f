#include "core/send_response.h"

#include "core/standard_answers.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <new>

namespace vireo {
namespace {

// Larger than one socket buffer's worth, so a big file moves in few system calls.
constexpr std::size_t kChunkBytes = 64 * 1024;
constexpr int kSendSliceMs = 3000;
// A peer that takes nothing for this long has gone; its thread must not wait on it forever.
constexpr auto kStallLimit = std::chrono::seconds(60);

class Sender {
public:
    Sender(Connection& connection, ClientTable* progress, std::uint64_t total)
        : connection_(connection), progress_(progress), meter_{connection.handle(), total, 0}
    {
    }

    // One send of the queue. False when the loop must end: a failure, or a peer stalled too long.
    bool SendOnce()
    {
        result_ = connection_.Send(kSendSliceMs);
        auto now = std::chrono::steady_clock::now();
        if (result_ > 0) {
            last_progress_ = now;
            meter_.sent += static_cast<std::uint64_t>(result_);
            if (progress_) progress_->SetProgress(meter_);
            return true;
        }
        if (result_ == 0 || result_ == kSocketWouldBlock) return now - last_progress_ < kStallLimit;
        return false;
    }

    int result() const { return result_; }

private:
    Connection& connection_;
    ClientTable* progress_;
    TransferMeter meter_;
    int result_ = 0;
    std::chrono::steady_clock::time_point last_progress_ = std::chrono::steady_clock::now();
};

}  // namespace

int SendResponse(Connection& connection, Response& response, ClientTable* progress)
{
    if (!response.IsFinished()) return 0;
    const std::size_t chunk = std::max(response.HeaderSize(), kChunkBytes);
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[chunk]);
    if (!buffer) return -1;

    if (connection.request().method() == Method::Head) {
        Sender sender(connection, progress, response.HeaderSize());
        std::size_t n = response.ReadNext(buffer.get(), response.HeaderSize());
        connection.Queue(buffer.get(), n);
        while (connection.QueuedLength() > 0 && sender.SendOnce()) {
        }
        return sender.result();
    }

    Sender sender(connection, progress, response.HeaderSize() + response.BodySize());
    for (;;) {
        if (connection.QueuedLength() < chunk) {
            std::size_t n = response.ReadNext(buffer.get(), chunk);
            connection.Queue(buffer.get(), n);
            if (connection.QueuedLength() == 0) break;
        }
        if (!sender.SendOnce()) break;
    }
    return sender.result();
}

int SendErrorPage(Connection& connection, unsigned status, ClientTable* progress)
{
    Response response;
    BuildErrorPage(response, status, connection.request().RawText());
    return SendResponse(connection, response, progress);
}

}  // namespace vireo
