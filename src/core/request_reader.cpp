#include "core/request_reader.h"

#include <algorithm>
#include <cstring>

#include "config/logbook.h"
#include "config/settings.h"

namespace vireo {
namespace {

// With the auto-block list in use, a header that has not ended within this many bytes is hostile.
constexpr std::size_t kBlockedHeaderBytes = 2048;
// Without it, headers are still bounded so a peer cannot make the server hold unbounded memory.
constexpr std::size_t kMaxHeaderBytes = 64 * 1024;

bool IsPlainHeaderByte(unsigned char c)
{
    return c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c <= 0x7E);
}

// The two ends of the connection, read once at the start: a peer that resets the connection
// can no longer be named afterwards, yet its record still needs the address.
class ReadLog {
public:
    explicit ReadLog(const Connection& connection)
    {
        peer_known_ = connection.PeerAddress(peer_);
        connection.LocalAddress(local_);
    }

    void Record(std::string_view bytes, std::string_view message = {}) const
    {
        WriteLogRecord(peer_, local_, message, bytes);
    }

    // Puts the peer on the auto-block list and records why; the request is answered with nothing.
    ReadResult Block(ReadResult result, std::string_view bytes, std::string_view message) const
    {
        if (peer_known_) AddToAutoBlockList(peer_.address);
        Record(bytes, message);
        return result;
    }

    // Records why the header was not read to its end.
    ReadResult End(ReadResult result, std::string_view bytes, std::string_view message) const
    {
        Record(bytes, message);
        return result;
    }

private:
    Ipv4Endpoint peer_;
    Ipv4Endpoint local_;
    bool peer_known_ = false;
};

}  // namespace

ReadResult ReadRequest(Connection& connection, const ReadLimits& limits)
{
    const auto deadline = std::chrono::steady_clock::now() + limits.header_deadline;
    const ReadLog log(connection);
    // Bytes already searched for the terminator and already checked byte by byte, so each
    // received byte is looked at once however slowly the header arrives.
    std::size_t searched = 0;
    std::size_t checked = 0;
    for (;;) {
        std::string_view received = connection.ReceivedData();
        if (received.size() >= 4) {
            std::size_t from = searched >= 3 ? searched - 3 : 0;
            std::size_t end = received.find("\r\n\r\n", from);
            if (end != std::string_view::npos) {
                std::size_t length = end + 4;
                bool auto_block = GetUseAutoBlockList();
                const std::string_view header = received.substr(0, length);
                if (!auto_block && length > kMaxHeaderBytes) {
                    return log.End(ReadResult::TooLarge, header, kLogTooLarge);
                }
                Request& request = connection.request();
                request.Parse(header);
                if (!request.IsWellFormed() && auto_block) {
                    return log.Block(ReadResult::Blocked, header,
                                     request.IsMalicious() ? kLogBlockedMalicious : kLogBlockedUnknown);
                }
                connection.set_header_length(length);
                log.Record(header);
                connection.Consume(length);
                return ReadResult::Ok;
            }
            searched = received.size();
        }

        if (!received.empty()) {
            if (GetUseAutoBlockList()) {
                auto* bytes = reinterpret_cast<const unsigned char*>(received.data());
                if (!std::all_of(bytes + checked, bytes + received.size(), IsPlainHeaderByte)) {
                    return log.Block(ReadResult::BlockedForbiddenByte, received, kLogBlockedMalicious);
                }
                checked = received.size();
                if (received.size() > kBlockedHeaderBytes) {
                    return log.Block(ReadResult::BlockedTooLong, received, kLogBlockedTooLong);
                }
            } else if (received.size() > kMaxHeaderBytes) {
                return log.End(ReadResult::TooLarge, received, kLogTooLarge);
            }
        }

        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0) return log.End(ReadResult::TimedOut, received, kLogTimedOut);
        int slice = static_cast<int>(std::min<long long>(left.count(), limits.receive_slice_ms));
        int got = connection.Receive(slice);
        if (got < 0 && got != kSocketWouldBlock) {
            return log.End(ReadResult::Disconnected, connection.ReceivedData(), kLogDisconnected);
        }
    }
}

}  // namespace vireo
