// ReadRequest over a real socket pair. The client's bytes arrive in pieces of the sizes the input
// chooses, each piece taken by the reader before the next is written, and the client then closes
// its side, so every read ends on what was sent and never waits for its deadline.
//
// Input: byte 0 chooses the policy, byte 1 the pieces, the rest is what the client sends.
//   byte 0, bit 0    refuse hostile requests (as the site does while the auto-block list is in use)
//           bits 1-2 max_header_bytes: 64, 512, 4096 or 65536
//           bits 3-4 hostile_header_bytes: 32, 256, 2048 or 8192
//   byte 1           0: everything in one write; else pieces of 1 to byte 1 bytes (the first 64
//                    pieces; the rest goes in one write)
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "fuzz_support.h"
#include "http/request_reader.h"

namespace vireo::fuzz {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kMaxPieces = 64;
constexpr std::string_view kHeaderEnd = "\r\n\r\n";

struct Setup {
    bool refuse_hostile = false;
    std::size_t max_header_bytes = 0;
    std::size_t hostile_header_bytes = 0;
    std::uint8_t piece_limit = 0;
};

Setup ReadSetup(std::uint8_t policy, std::uint8_t pieces)
{
    constexpr std::size_t kMaxHeader[] = {64, 512, 4096, 65536};
    constexpr std::size_t kHostileHeader[] = {32, 256, 2048, 8192};
    return {.refuse_hostile = (policy & 1) != 0,
            .max_header_bytes = kMaxHeader[(policy >> 1) & 3],
            .hostile_header_bytes = kHostileHeader[(policy >> 3) & 3],
            .piece_limit = pieces};
}

// The sizes of the pieces the client sends, from a fixed sequence, so a run can be repeated.
std::vector<std::size_t> PieceSizes(std::size_t total, std::uint8_t limit)
{
    std::vector<std::size_t> sizes;
    std::uint32_t state = limit;
    std::size_t sent = 0;
    while (sent < total) {
        std::size_t piece = total - sent;
        if (limit != 0 && sizes.size() < kMaxPieces) {
            state = state * 1103515245u + 12345u;
            piece = std::min<std::size_t>(piece, 1 + (state >> 16) % limit);
        }
        sizes.push_back(piece);
        sent += piece;
    }
    return sizes;
}

// Writes each piece, waits until the reader has taken it (nothing left in the socket), then
// writes the next; closes its side at the end. Stops early once the reader is done.
void SendPieces(int socket, std::string_view bytes, const std::vector<std::size_t>& sizes,
                const std::atomic<bool>& reader_done)
{
    std::size_t at = 0;
    for (std::size_t size : sizes) {
        for (std::size_t written = 0; written < size;) {
            const ssize_t n = ::send(socket, bytes.data() + at + written, size - written, MSG_NOSIGNAL);
            if (n <= 0) return;
            written += static_cast<std::size_t>(n);
        }
        at += size;
        int unread = 1;
        while (!reader_done.load() && ::ioctl(socket, SIOCOUTQ, &unread) == 0 && unread > 0) {
            std::this_thread::yield();
        }
        if (reader_done.load()) return;
    }
    ::shutdown(socket, SHUT_WR);
}

bool HasForbiddenByte(std::string_view text)
{
    return std::ranges::any_of(text, [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return !(b == '\t' || b == '\n' || b == '\r' || (b >= 0x20 && b <= 0x7E));
    });
}

// What the reader reported and returned must agree with what the client sent, whatever the pieces.
void Check(ReadResult result, const std::vector<ReadReport>& reports,
           const std::vector<std::string>& reported, const Setup& setup, Connection& connection,
           std::string_view sent)
{
    Require(reports.size() == 1 && reports[0].result == result);
    const std::string_view bytes = reported[0];
    Require(sent.starts_with(bytes));
    const std::size_t end = sent.find(kHeaderEnd);
    const std::size_t header_length = end == std::string_view::npos ? 0 : end + kHeaderEnd.size();
    switch (result) {
        case ReadResult::Ok: {
            // The first blank line ends the header; what came after it stays received.
            Require(header_length != 0 && connection.header_length() == header_length);
            Require(bytes.size() == header_length);
            Require(sent.substr(header_length).starts_with(connection.ReceivedData()));
            Require(setup.refuse_hostile ? connection.request().IsWellFormed()
                                         : header_length <= setup.max_header_bytes);
            const Request& request = connection.request();
            Require(request.IsMalicious() || request.RawText().empty() || request.RawText() == bytes);
            break;
        }
        case ReadResult::Blocked:
            Require(setup.refuse_hostile && bytes.size() == header_length);
            Require(!connection.request().IsWellFormed());
            Require(reports[0].malicious == connection.request().IsMalicious());
            break;
        case ReadResult::BlockedForbiddenByte:
            Require(setup.refuse_hostile && HasForbiddenByte(bytes) &&
                    bytes.find(kHeaderEnd) == std::string::npos);
            break;
        case ReadResult::BlockedTooLong:
            Require(setup.refuse_hostile && bytes.size() > setup.hostile_header_bytes);
            Require(!HasForbiddenByte(bytes) && bytes.find(kHeaderEnd) == std::string::npos);
            break;
        case ReadResult::TooLarge:
            Require(!setup.refuse_hostile && bytes.size() > setup.max_header_bytes);
            break;
        case ReadResult::Disconnected:
            // Everything arrived, and nothing in it ended the read before the client closed.
            Require(bytes == sent && header_length == 0);
            Require(setup.refuse_hostile
                        ? !HasForbiddenByte(sent) && sent.size() <= setup.hostile_header_bytes
                        : sent.size() <= setup.max_header_bytes);
            break;
        case ReadResult::TimedOut:
            // The client always closes its side, so the reader never has to wait this long.
            Require(false);
            break;
        case ReadResult::HandshakeFailed:
            // Only the connection thread's handshake ends this way, before any header is read.
            Require(false);
            break;
    }
}

}  // namespace
}  // namespace vireo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo;
    using namespace vireo::fuzz;
    if (size < 2) return -1;
    const Setup setup = ReadSetup(data[0], data[1]);
    const std::string_view sent = AsText(data + 2, size - 2);

    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) std::abort();
    Connection connection;
    connection.Attach(ends[0]);
    connection.SetBlocking(false);

    std::vector<ReadReport> reports;
    std::vector<std::string> reported;
    ReadPolicy policy;
    policy.header_deadline = 5000ms;
    policy.receive_slice_ms = 100;
    policy.refuse_hostile = [&setup] { return setup.refuse_hostile; };
    policy.hostile_header_bytes = setup.hostile_header_bytes;
    policy.max_header_bytes = setup.max_header_bytes;
    policy.report = [&](const ReadReport& report) {
        reports.push_back(report);
        reported.emplace_back(report.bytes);
    };

    std::atomic<bool> reader_done = false;
    std::thread client(SendPieces, ends[1], sent, PieceSizes(sent.size(), setup.piece_limit),
                       std::cref(reader_done));
    const ReadResult result = ReadRequest(connection, policy);
    reader_done = true;
    Check(result, reports, reported, setup, connection, sent);
    // Closing the server's end ends a send still waiting for room.
    connection.Close();
    client.join();
    ::close(ends[1]);
    return 0;
}
