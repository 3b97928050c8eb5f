#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/ipv4.h"

namespace vireo {

enum class ClientState {
    Connected = 0,  // nothing known yet
    Download = 1,   // GET or HEAD
    Upload = 2,     // POST
    Refused = 3,    // refused or failed; the window shows "Bad Request"
};

using SystemTime = std::chrono::system_clock::time_point;

struct ClientEntry {
    int socket = -1;
    Ipv4Endpoint peer;
    ClientState state = ClientState::Connected;
    SystemTime connected_at{};  // epoch: never used
    SystemTime closed_at{};     // epoch: still open
    std::uint64_t total = 0;    // bytes the current response will send, header included
    std::uint64_t sent = 0;
    std::string url;  // decoded request URL, at most kMaxUrlBytes

    static constexpr std::size_t kMaxUrlBytes = 259;
    bool IsFree() const { return connected_at == SystemTime{} || closed_at != SystemTime{}; }
};

}  // namespace vireo
