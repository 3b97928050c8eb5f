#include "core/send_response.h"

#include "core/standard_answers.h"
#include "core/tracked_sender.h"

#include <algorithm>
#include <memory>
#include <new>

namespace vireo {
namespace {

// Larger than one socket buffer's worth, so a big file moves in few system calls.
constexpr std::size_t kChunkBytes = 64 * 1024;
constexpr int kSendSliceMs = 3000;

}  // namespace

int SendResponse(Connection& connection, Response& response, ClientTable* progress)
{
    if (!response.IsFinished()) return 0;
    const std::size_t chunk = std::max(response.HeaderSize(), kChunkBytes);
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[chunk]);
    if (!buffer) return -1;

    if (connection.request().method() == Method::Head) {
        TrackedSender sender(connection, progress, kSendSliceMs, response.HeaderSize());
        std::size_t n = response.ReadNext(buffer.get(), response.HeaderSize());
        connection.Queue(buffer.get(), n);
        while (connection.QueuedLength() > 0 && sender.SendOnce()) {
        }
        return sender.result();
    }

    TrackedSender sender(connection, progress, kSendSliceMs, response.HeaderSize() + response.BodySize());
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
