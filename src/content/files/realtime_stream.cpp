#include "content/files/realtime_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <new>
#include <thread>

#include "base/product.h"
#include "base/unique_fd.h"
#include "http/chunked_stream.h"
#include "http/http_date.h"
#include "http/send_response.h"
#include "platform/content_types.h"
#include "settings/dynamic_files.h"
#include "site/resolve_url.h"

namespace vireo {

namespace {

// Reading stops while this much output waits, so a slow client holds at most about this much.
constexpr std::size_t kChunkBytes = 0x20000;
constexpr int kSendSliceMs = 1000;
constexpr std::chrono::milliseconds kIdleStep{10};

std::string StreamHeader(std::string_view file_path)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + ContentTypeFor(file_path.substr(file_path.rfind('/') + 1)) +
           "\r\nServer: " + std::string(kServerName) +
           "\r\nTransfer-Encoding: chunked\r\nDate: " + FormatHttpDate(std::time(nullptr)).value_or("") +
           "\r\n\r\n";
}

}  // namespace

int StreamRealTimeFile(Exchange& exchange, std::chrono::milliseconds idle_limit)
{
    Connection& connection = exchange.connection;
    ClientTable* progress = exchange.clients;
    const ResolvedTarget& target = exchange.target;
    std::optional<std::string> actual;
    if (target.kind == TargetKind::DynamicFile) actual = GetActualDynamicFile(target.folder_name);
    // Non-blocking, so a named pipe without a writer neither holds up the open nor a read.
    UniqueFd file(actual ? ::open(actual->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK) : -1);
    std::unique_ptr<char[]> buffer(file ? new (std::nothrow) char[kChunkBytes] : nullptr);
    if (!buffer) return SendErrorPage(connection, 404, progress);

    // Only what is written from now on is news, so the end is taken before anything is sent: what
    // arrives while the header goes out is part of the stream. (A pipe has no end to seek to; it
    // is read as it comes.)
    ::lseek(file.get(), 0, SEEK_END);
    ChunkedStream writer(connection, progress, kSendSliceMs);
    writer.Queue(StreamHeader(*actual));
    if (!writer.SendAll()) return writer.result();

    std::chrono::milliseconds idle{0};
    for (;;) {
        if (connection.QueuedLength() > 0 && !writer.SendOnce()) return writer.result();
        if (connection.QueuedLength() >= kChunkBytes) continue;
        const ssize_t count = ::read(file.get(), buffer.get(), kChunkBytes);
        if (count > 0) {
            writer.QueueChunk(std::string_view(buffer.get(), static_cast<std::size_t>(count)));
            continue;
        }
        if (connection.QueuedLength() > 0) continue;
        std::this_thread::sleep_for(kIdleStep);
        idle += kIdleStep;
        if (idle <= idle_limit) continue;
        // Data arriving does not reset the count: the flag is read again after every idle_limit
        // of waiting in all. A client that has gone needs no more waiting either.
        if (!IsRealTimeFile(target.folder_name) || connection.PeerClosed() != 0) break;
        idle = std::chrono::milliseconds{0};
    }

    writer.QueueLastChunk();
    writer.SendAll();
    return writer.result();
}

}  // namespace vireo
