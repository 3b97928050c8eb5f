#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>

#include "base/ipv4.h"
#include "http/connection.h"

namespace vireo {

enum class ReadResult {
    Ok = 0,                     // a header was read and parsed; only body bytes remain received
    Blocked = -1,               // malformed request, refused as hostile
    BlockedForbiddenByte = -2,  // a forbidden byte arrived before the header's end; refused as hostile
    BlockedTooLong = -3,        // over the hostile-header limit without the header's end; refused
    TooLarge = -4,              // over the header limit while hostile requests are let through; answer 400
    Disconnected = -5,          // the peer closed or the connection failed
    TimedOut = -6,              // the header was not complete in time
    HandshakeFailed = -7,       // the connection began TLS and did not complete the handshake
};

inline bool IsBlocked(ReadResult result)
{
    return result == ReadResult::Blocked || result == ReadResult::BlockedForbiddenByte ||
           result == ReadResult::BlockedTooLong;
}

// What the reader tells its owner about a header it read, or gave up on: once per request.
struct ReadReport {
    ReadResult result;
    Ipv4Endpoint peer;
    bool peer_known;         // false when the peer's address could not be read
    Ipv4Endpoint local;      // the address the connection arrived at
    std::string_view bytes;  // the header (for Ok), or what had arrived when the reader gave up
    bool malicious;          // Blocked: the request looked like an attack, not merely unknown
};

// How request headers are read. The server's owner decides what is hostile and what happens to
// a hostile peer; the reader only applies the limits and reports.
struct ReadPolicy {
    // A header must be complete this long after the connection was accepted.
    std::chrono::milliseconds header_deadline{60000};
    int receive_slice_ms = 3000;
    // Asked once per request. True: a forbidden byte, more than hostile_header_bytes without the
    // header's end, or a malformed request ends the read as Blocked*. False: headers are only
    // bounded by max_header_bytes (TooLarge) and malformed requests are parsed and passed on.
    std::function<bool()> refuse_hostile;
    std::size_t hostile_header_bytes = 2048;
    std::size_t max_header_bytes = 64 * 1024;
    // Told the outcome of every read, on the connection's thread; may be empty.
    std::function<void(const ReadReport&)> report;
};

// Collects the request header of the connection and parses it into its Request, by the policy's
// deadline from now or by the one given (which then also covered what came before, such as a
// TLS handshake).
ReadResult ReadRequest(Connection& connection, const ReadPolicy& policy,
                       std::optional<std::chrono::steady_clock::time_point> deadline = std::nullopt);

// Tells the policy's report hook how a connection ended before its header could be read.
ReadResult ReportEarlyEnd(const Connection& connection, const ReadPolicy& policy, ReadResult result);

}  // namespace vireo
