#include "content/upload/upload_spool.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "base/ascii_case.h"
#include "base/io.h"
#include "content/upload/upload_file_writer.h"
#include "http/socket_errors.h"

namespace vireo {
namespace {

constexpr int kReceiveSliceMs = 3000;
constexpr int kSendSliceMs = 3000;
constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
// A client that sends nothing for this long has gone; its thread must not wait on it forever.
constexpr auto kStallLimit = std::chrono::seconds(60);
// The body is read from the socket straight into a buffer of this size, which goes to the file
// whenever it is full or the socket has nothing more for the moment: a fast client's body is
// written in few large pieces.
constexpr std::size_t kBufferBytes = 256 * 1024;

class BodySpooler {
public:
    BodySpooler(Connection& connection, ClientTable* progress, std::uint64_t length, int fd)
        : connection_(connection), progress_(progress), meter_{connection.handle(), length, 0}, file_(fd)
    {
    }

    std::expected<Spooled, int> Run();

private:
    std::uint64_t Remaining() const { return meter_.total - meter_.sent; }
    bool Store(std::string_view bytes);
    // Fills the buffer with what the socket holds now, up to the end of the body. False when the
    // peer closed or the read failed; the code is then in failure_.
    bool ReadWaiting();
    // Waits until the socket has data; a failure, or a client that stalled, gives its code.
    std::optional<int> AwaitData();

    Connection& connection_;
    ClientTable* progress_;
    TransferMeter meter_;
    FileWriter file_;
    std::unique_ptr<char[]> buffer_ = std::make_unique<char[]>(kBufferBytes);
    std::size_t filled_ = 0;
    int failure_ = 0;
    std::chrono::steady_clock::time_point last_data_ = std::chrono::steady_clock::now();
};

bool BodySpooler::Store(std::string_view bytes)
{
    if (bytes.empty()) return true;
    if (!file_.Write(bytes)) return false;
    meter_.sent += bytes.size();
    if (progress_) progress_->SetProgress(meter_);
    return true;
}

bool BodySpooler::ReadWaiting()
{
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(kBufferBytes, Remaining()));
    while (filled_ < wanted) {
        const int got = connection_.ReceiveAvailable(buffer_.get() + filled_, wanted - filled_);
        if (got > 0) {
            filled_ += static_cast<std::size_t>(got);
            last_data_ = std::chrono::steady_clock::now();
        } else if (got == kSocketWouldBlock) {
            return true;
        } else {
            failure_ = got;
            return false;
        }
    }
    return true;
}

std::optional<int> BodySpooler::AwaitData()
{
    for (;;) {
        const int ready = connection_.Wait(kReceiveSliceMs, false);
        if (ready > 0) return std::nullopt;
        if (ready < 0) return ready;
        if (std::chrono::steady_clock::now() - last_data_ >= kStallLimit) return kSocketTimedOut;
    }
}

std::expected<Spooled, int> BodySpooler::Run()
{
    const std::string_view early = connection_.ReceivedData().substr(
        0, static_cast<std::size_t>(std::min<std::uint64_t>(connection_.ReceivedData().size(), Remaining())));
    const bool stored = Store(early);
    connection_.ClearReceived();
    if (!stored) return Spooled::NotWritten;
    while (Remaining() > 0) {
        const bool open = ReadWaiting();
        const std::size_t got = std::exchange(filled_, 0);
        if (!Store(std::string_view(buffer_.get(), got))) return Spooled::NotWritten;
        if (!open) return std::unexpected(failure_);
        if (got == 0) {
            if (const std::optional<int> failed = AwaitData()) return std::unexpected(*failed);
        }
    }
    return Spooled::Stored;
}

}  // namespace

std::expected<Spooled, int> SpoolBody(Connection& connection, ClientTable* progress, std::uint64_t length,
                                      int fd)
{
    return BodySpooler(connection, progress, length, fd).Run();
}

std::optional<int> AnswerContinue(Connection& connection)
{
    std::string_view expectation = connection.request().Header("Expect");
    while (!expectation.empty() && (expectation.back() == ' ' || expectation.back() == '\t'))
        expectation.remove_suffix(1);
    if (!EqualsIgnoreCase(expectation, "100-continue") || !connection.ReceivedData().empty())
        return std::nullopt;
    connection.QueueText(kContinue);
    while (connection.QueuedLength() > 0) {
        const int sent = connection.Send(kSendSliceMs);
        if (sent < 0) return sent;
    }
    return std::nullopt;
}

}  // namespace vireo
