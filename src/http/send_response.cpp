#include "http/send_response.h"

#include <algorithm>
#include <memory>
#include <new>

#include "http/standard_answers.h"
#include "http/tracked_sender.h"

namespace vireo {
namespace {

// Larger than one socket buffer's worth, so a big answer moves in few system calls.
constexpr std::size_t kChunkBytes = 64 * 1024;
// The most one call hands from a file to the socket, so progress reaches the client table often.
constexpr std::size_t kFileSliceBytes = 4 * 1024 * 1024;
constexpr int kSendSliceMs = 3000;

// Sends the first `count` bytes the response reads out (header, then body) through a buffer of
// one chunk, filling the queue before each send so that a small answer leaves in one piece.
// False when sending had to end.
bool SendBuffered(Connection& connection, Response& response, TrackedSender& sender, std::uint64_t count)
{
    const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(count, kChunkBytes));
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[chunk]);
    if (!buffer) return false;
    std::uint64_t left = count;
    for (;;) {
        while (left > 0 && connection.QueuedLength() < chunk) {
            const std::size_t wanted =
                static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk - connection.QueuedLength()));
            const std::size_t n = response.ReadNext(buffer.get(), wanted);
            // A body that ends early (a failing disk) ends the answer there.
            left = n == 0 ? 0 : left - n;
            connection.Queue(buffer.get(), n);
        }
        if (connection.QueuedLength() == 0) return true;
        if (!sender.SendOnce()) return false;
    }
}

}  // namespace

int SendResponse(Connection& connection, Response& response, ClientTable* progress)
{
    if (!response.IsFinished()) return 0;
    const bool header_only = connection.request().method() == Method::Head;
    std::uint64_t body_left = header_only ? 0 : response.BodySize();
    TrackedSender sender(connection, progress, kSendSliceMs, response.HeaderSize() + body_left);
    // A body larger than a chunk goes from its file to the socket inside the system.
    const int body_file = body_left > kChunkBytes ? response.BodyFile() : -1;
    const std::uint64_t buffered = body_file >= 0 ? response.HeaderSize() : response.HeaderSize() + body_left;
    if (!SendBuffered(connection, response, sender, buffered)) return sender.result();
    if (body_file < 0) return sender.result();
    while (body_left > 0 &&
           sender.SendFileOnce(body_file, std::min<std::uint64_t>(body_left, kFileSliceBytes))) {
        body_left -= static_cast<std::uint64_t>(std::max(sender.result(), 0));
    }
    return sender.result();
}

int SendErrorPage(Connection& connection, unsigned status, ClientTable* progress)
{
    Response response;
    BuildErrorPage(response, status, connection.request().RawText());
    return SendResponse(connection, response, progress);
}

int SendRefusal(Connection& connection, ClientTable& clients, unsigned status, std::string_view shown_url)
{
    clients.SetState(connection.handle(), ClientState::Refused, shown_url);
    return SendErrorPage(connection, status, &clients);
}

}  // namespace vireo
