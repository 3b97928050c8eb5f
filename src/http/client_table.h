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
#include "http/client_entry.h"
#include "http/server_events.h"

namespace vireo {

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
    // Runs change on the entry of the socket under the lock and returns a copy of the result, for
    // the event sink; nothing when there is no such entry.
    template <typename Change>
    std::optional<ClientEntry> Update(int socket, Change change);

    std::shared_ptr<ServerEvents> events_;
    mutable std::mutex lock_;
    std::vector<ClientEntry> entries_;
};

}  // namespace vireo
