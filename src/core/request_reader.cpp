#include "core/request_reader.h"

#include <algorithm>
#include <cstring>

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

void BlockPeer(const Connection& connection)
{
    Ipv4Endpoint peer;
    if (connection.PeerAddress(peer)) AddToAutoBlockList(peer.address);
}

}  // namespace

ReadResult ReadRequest(Connection& connection, const ReadLimits& limits)
{
    const auto deadline = std::chrono::steady_clock::now() + limits.header_deadline;
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
                if (!auto_block && length > kMaxHeaderBytes) return ReadResult::TooLarge;
                Request& request = connection.request();
                request.Parse(received.data(), length);
                if (!request.IsWellFormed() && auto_block) {
                    BlockPeer(connection);
                    return ReadResult::Blocked;
                }
                connection.set_header_length(length);
                connection.Consume(length);
                return ReadResult::Ok;
            }
            searched = received.size();
        }

        if (!received.empty()) {
            if (GetUseAutoBlockList()) {
                auto* bytes = reinterpret_cast<const unsigned char*>(received.data());
                if (!std::all_of(bytes + checked, bytes + received.size(), IsPlainHeaderByte)) {
                    BlockPeer(connection);
                    return ReadResult::BlockedForbiddenByte;
                }
                checked = received.size();
                if (received.size() > kBlockedHeaderBytes) {
                    BlockPeer(connection);
                    return ReadResult::BlockedTooLong;
                }
            } else if (received.size() > kMaxHeaderBytes) {
                return ReadResult::TooLarge;
            }
        }

        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0) return ReadResult::TimedOut;
        int slice = static_cast<int>(std::min<long long>(left.count(), limits.receive_slice_ms));
        int got = connection.Receive(slice);
        if (got < 0 && got != kSocketWouldBlock) return ReadResult::Disconnected;
    }
}

}  // namespace vireo
