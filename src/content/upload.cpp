#include "content/upload.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <expected>
#include <optional>
#include <string>

#include "content/multipart_parser.h"
#include "content/upload_form.h"
#include "content/upload_store.h"
#include "core/send_response.h"
#include "platform/scratch_file.h"

namespace vireo {
namespace {

constexpr int kReceiveSliceMs = 3000;
// A client that sends nothing for this long has gone; its thread must not wait on it forever.
constexpr auto kStallLimit = std::chrono::seconds(60);
// Bytes gathered from the socket before they go to the scratch file in one write.
constexpr std::size_t kGatherBytes = 64 * 1024;

// The scratch file holding the body, read by position.
class ScratchBody final : public BodySource {
public:
    ScratchBody(int fd, std::uint64_t size) : fd_(fd), size_(size) {}

    std::uint64_t Size() const override { return size_; }
    std::optional<std::size_t> ReadAt(std::uint64_t offset, std::span<char> buffer) override
    {
        for (;;) {
            const ssize_t got = ::pread(fd_, buffer.data(), buffer.size(), static_cast<off_t>(offset));
            if (got >= 0) return static_cast<std::size_t>(got);
            if (errno != EINTR) return std::nullopt;
        }
    }

private:
    int fd_;
    std::uint64_t size_;
};

enum class Spooled { Stored, NotWritten };

// Moves `length` body bytes from the connection into `fd`: first those that came with the request
// header, then what arrives. Bytes beyond the body are dropped. The error is the socket's code.
std::expected<Spooled, int> SpoolBody(Connection& connection, ClientTable* progress, std::uint64_t length,
                                      int fd)
{
    TransferMeter meter{connection.handle(), length, 0};
    auto last_data = std::chrono::steady_clock::now();
    while (meter.sent < length) {
        const std::uint64_t remaining = length - meter.sent;
        if (connection.ReceivedData().empty()) {
            const int received = connection.Receive(kReceiveSliceMs);
            if (received == 0 || received == kSocketWouldBlock) {
                const bool stalled = std::chrono::steady_clock::now() - last_data >= kStallLimit;
                if (stalled) return std::unexpected(kSocketTimedOut);
                continue;
            }
            if (received < 0) return std::unexpected(received);
            last_data = std::chrono::steady_clock::now();
            // Take what else has already arrived, so the file is written in large pieces.
            while (connection.ReceivedData().size() < std::min<std::uint64_t>(kGatherBytes, remaining) &&
                   connection.Receive(0) > 0) {
            }
        }
        const std::string_view chunk = connection.ReceivedData().substr(
            0,
            static_cast<std::size_t>(std::min<std::uint64_t>(connection.ReceivedData().size(), remaining)));
        if (!WriteAll(fd, chunk)) return Spooled::NotWritten;
        connection.ClearReceived();
        meter.sent += chunk.size();
        if (progress) progress->SetProgress(meter);
    }
    return Spooled::Stored;
}

// Receives the body, stores its file parts and says what became of them in the page's status line;
// the socket's code when the connection failed.
std::expected<std::string, int> ReceiveAndStore(Connection& connection, ClientTable* progress,
                                                const ResolvedTarget& directory)
{
    const Request& request = connection.request();
    const std::optional<std::uint64_t> length = request.ContentLength();
    const std::optional<std::string> boundary = FindBoundary(request.ContentType());
    if (!length || *length == 0 || !boundary) return std::string(kNoFilesReceived);
    if (!directory.found || directory.kind != TargetKind::Directory) return std::string(kNoFilesReceived);
    std::optional<ScratchFile> scratch = CreateScratchFile(true);
    if (!scratch) return std::string(kNoFilesReceived);

    const std::expected<Spooled, int> spooled = SpoolBody(connection, progress, *length, scratch->fd());
    if (!spooled) return std::unexpected(spooled.error());
    if (*spooled == Spooled::NotWritten) return std::string(kNoFilesReceived);
    ScratchBody body(scratch->fd(), *length);
    UploadStore store(directory.local_path);
    return UploadResultText(ParseMultipartBody(body, *boundary, store));
}

}  // namespace

int ReceiveUpload(Connection& connection, ClientTable* progress, const ResolvedTarget& directory)
{
    const std::expected<std::string, int> status = ReceiveAndStore(connection, progress, directory);
    if (!status) return status.error();
    Response response;
    WriteUploadPage(response, directory, *status);
    return SendResponse(connection, response, nullptr);
}

}  // namespace vireo
