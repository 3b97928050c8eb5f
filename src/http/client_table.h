#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/ipv4.h"
#include "http/server_events.h"

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
    std::string url;            // decoded request URL, at most kMaxUrlBytes

    static constexpr std::size_t kMaxUrlBytes = 259;
    bool IsFree() const { return connected_at == SystemTime{} || closed_at != SystemTime{}; }
};

// Progress of one response, reported to the table as it is sent.
struct TransferMeter {
    int socket = -1;
    std::uint64_t total = 0;
    std::uint64_t sent = 0;
};

// The live list of clients the window shows. Every operation holds the lock only while it touches
// the entries and tells the event sink afterwards, outside the lock.
class ClientTable {
public:
    static constexpr std::size_t kGrowth = 32;

    explicit ClientTable(std::shared_ptr<ServerEvents> events);

    void Register(int socket, const Ipv4Endpoint& peer);
    void SetState(int socket, ClientState state, std::string_view url);
    void SetProgress(const TransferMeter& meter);
    void MarkClosed(int socket);
    std::optional<ClientEntry> Snapshot(int socket) const;
    // The number of entries the table holds, used and free.
    std::size_t Capacity() const;

private:
    // Runs change on the entry of the socket under the lock; false when there is none.
    template <typename Change>
    bool Update(int socket, Change change);

    std::shared_ptr<ServerEvents> events_;
    mutable std::mutex lock_;
    std::vector<ClientEntry> entries_;
};

}  // namespace vireo
