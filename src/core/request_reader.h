#pragma once

#include <chrono>

#include "core/connection.h"

namespace vireo {

enum class ReadResult {
    Ok = 0,                     // a header was read and parsed; only body bytes remain received
    Blocked = -1,               // malformed request; the peer is on the auto-block list
    BlockedForbiddenByte = -2,  // a forbidden byte arrived before the header's end; peer blocked
    BlockedTooLong = -3,        // over 2048 bytes without the header's end; peer blocked
    TooLarge = -4,              // over the header limit with the auto-block list off; answer 400
    Disconnected = -5,          // the peer closed or the connection failed
    TimedOut = -6,              // the header was not complete in time
};

struct ReadLimits {
    // A header must be complete this long after the connection was accepted.
    std::chrono::milliseconds header_deadline{60000};
    int receive_slice_ms = 3000;
};

// Collects the request header of the connection and parses it into its Request. Hostile requests
// put the peer on the auto-block list while that list is in use.
ReadResult ReadRequest(Connection& connection, const ReadLimits& limits = {});

}  // namespace vireo
