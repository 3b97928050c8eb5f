#include "http/request_reader.h"

#include <algorithm>

namespace vireo {
namespace {

bool IsPlainHeaderByte(unsigned char c)
{
    return c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c <= 0x7E);
}

// Tells the owner how the read ended. The two ends of the connection are read once at the start:
// a peer that resets the connection can no longer be named afterwards, yet its report still
// needs the address.
class ReadReporter {
public:
    ReadReporter(const Connection& connection, const ReadPolicy& policy) : policy_(policy)
    {
        peer_known_ = connection.PeerAddress(peer_);
        connection.LocalAddress(local_);
    }

    ReadResult operator()(ReadResult result, std::string_view bytes, bool malicious = false) const
    {
        if (policy_.report) policy_.report(ReadReport{result, peer_, peer_known_, local_, bytes, malicious});
        return result;
    }

private:
    const ReadPolicy& policy_;
    Ipv4Endpoint peer_;
    Ipv4Endpoint local_;
    bool peer_known_ = false;
};

}  // namespace

ReadResult ReportEarlyEnd(const Connection& connection, const ReadPolicy& policy, ReadResult result)
{
    return ReadReporter(connection, policy)(result, {});
}

ReadResult ReadRequest(Connection& connection, const ReadPolicy& policy,
                       std::optional<std::chrono::steady_clock::time_point> given_deadline)
{
    const auto deadline = given_deadline.value_or(std::chrono::steady_clock::now() + policy.header_deadline);
    const ReadReporter report(connection, policy);
    const bool refuse_hostile = policy.refuse_hostile && policy.refuse_hostile();
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
                const std::string_view header = received.substr(0, length);
                if (!refuse_hostile && length > policy.max_header_bytes) {
                    return report(ReadResult::TooLarge, header);
                }
                Request& request = connection.request();
                request.Parse(header);
                if (!request.IsWellFormed() && refuse_hostile) {
                    return report(ReadResult::Blocked, header, request.IsMalicious());
                }
                connection.set_header_length(length);
                report(ReadResult::Ok, header);
                connection.Consume(length);
                return ReadResult::Ok;
            }
            searched = received.size();
        }

        if (!received.empty()) {
            if (refuse_hostile) {
                auto* bytes = reinterpret_cast<const unsigned char*>(received.data());
                if (!std::all_of(bytes + checked, bytes + received.size(), IsPlainHeaderByte)) {
                    return report(ReadResult::BlockedForbiddenByte, received, true);
                }
                checked = received.size();
                if (received.size() > policy.hostile_header_bytes) {
                    return report(ReadResult::BlockedTooLong, received);
                }
            } else if (received.size() > policy.max_header_bytes) {
                return report(ReadResult::TooLarge, received);
            }
        }

        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0) return report(ReadResult::TimedOut, received);
        int slice = static_cast<int>(std::min<long long>(left.count(), policy.receive_slice_ms));
        int got = connection.Receive(slice);
        if (got < 0 && got != kSocketWouldBlock) {
            return report(ReadResult::Disconnected, connection.ReceivedData());
        }
    }
}

}  // namespace vireo
