#include "core/realtime_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <new>
#include <thread>

#include "config/dynamic_files.h"
#include "config/resolve_url.h"
#include "core/http_date.h"
#include "core/product.h"
#include "core/send_response.h"
#include "core/standard_answers.h"
#include "platform/content_types.h"
#include "platform/unique_fd.h"

namespace vireo {

namespace {

// Reading stops while this much output waits, so a slow client holds at most about this much.
constexpr std::size_t kChunkBytes = 0x20000;
constexpr int kSendSliceMs = 1000;
constexpr std::chrono::milliseconds kIdleStep{10};

// Sends what the connection has queued and reports every sent byte to the client table; the
// total grows with each queued chunk, since a stream's length is not known in advance.
class StreamWriter {
public:
    StreamWriter(Connection& connection, ClientTable* progress)
        : connection_(connection), progress_(progress), meter_{connection.handle(), 0, 0}
    {
    }

    void Queue(std::string_view bytes)
    {
        connection_.QueueText(bytes);
        meter_.total += bytes.size();
    }

    // One send with the stream's time-out. False on a failure other than a full socket.
    bool SendOnce()
    {
        result_ = connection_.Send(kSendSliceMs);
        if (result_ > 0) {
            meter_.sent += static_cast<std::uint64_t>(result_);
            if (progress_) progress_->SetProgress(meter_);
        }
        return result_ >= 0 || result_ == kSocketWouldBlock;
    }

    bool SendAll()
    {
        while (connection_.QueuedLength() > 0) {
            if (!SendOnce()) return false;
        }
        return true;
    }

    int result() const { return result_; }

private:
    Connection& connection_;
    ClientTable* progress_;
    TransferMeter meter_;
    int result_ = 0;
};

std::string StreamHeader(std::string_view file_path)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + ContentTypeFor(file_path.substr(file_path.rfind('/') + 1)) +
           "\r\nServer: " + std::string(kServerName) +
           "\r\nTransfer-Encoding: chunked\r\nDate: " + FormatHttpDate(std::time(nullptr)).value_or("") +
           "\r\n\r\n";
}

// Queues one chunk: its length in hexadecimal, CR LF, the data, CR LF.
void QueueChunk(StreamWriter& writer, std::string_view data)
{
    char size_line[24];
    std::snprintf(size_line, sizeof size_line, "%zx\r\n", data.size());
    writer.Queue(size_line);
    writer.Queue(data);
    writer.Queue("\r\n");
}

int AnswerNotFound(Connection& connection, ClientTable* progress)
{
    Response response;
    BuildErrorPage(response, 404, connection.request().RawText());
    return SendResponse(connection, response, progress);
}

}  // namespace

int StreamRealTimeFile(Connection& connection, ClientTable* progress, std::chrono::milliseconds idle_limit)
{
    const ResolvedTarget target = ResolveUrl(connection.request().Url());
    std::optional<std::string> actual;
    if (target.kind == TargetKind::DynamicFile) actual = GetActualDynamicFile(target.folder_name);
    // Non-blocking, so a named pipe without a writer neither holds up the open nor a read.
    UniqueFd file(actual ? ::open(actual->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK) : -1);
    std::unique_ptr<char[]> buffer(file ? new (std::nothrow) char[kChunkBytes] : nullptr);
    if (!buffer) return AnswerNotFound(connection, progress);

    // Only what is written from now on is news, so the end is taken before anything is sent: what
    // arrives while the header goes out is part of the stream. (A pipe has no end to seek to; it
    // is read as it comes.)
    ::lseek(file.get(), 0, SEEK_END);
    StreamWriter writer(connection, progress);
    writer.Queue(StreamHeader(*actual));
    if (!writer.SendAll()) return writer.result();

    std::chrono::milliseconds idle{0};
    for (;;) {
        if (connection.QueuedLength() > 0 && !writer.SendOnce()) return writer.result();
        if (connection.QueuedLength() >= kChunkBytes) continue;
        const ssize_t count = ::read(file.get(), buffer.get(), kChunkBytes);
        if (count > 0) {
            QueueChunk(writer, std::string_view(buffer.get(), static_cast<std::size_t>(count)));
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

    writer.Queue("0\r\n\r\n");
    writer.SendAll();
    return writer.result();
}

}  // namespace vireo
