#pragma once

#include <chrono>
#include <cstdint>

#include "http/client_table.h"
#include "http/connection.h"

namespace vireo {

// Sends what a connection has queued, one time-out slice at a time, and reports every byte sent
// to the client table. A peer that takes nothing for a minute counts as gone, so no thread waits
// on it forever.
class TrackedSender {
public:
    TrackedSender(Connection& connection, ClientTable* progress, int send_slice_ms, std::uint64_t total);

    // Counts bytes about to be queued into the total the client table shows.
    void AddToTotal(std::uint64_t bytes) { meter_.total += bytes; }
    // One send of the queue. False when sending must end: a failure, or a peer stalled too long.
    bool SendOnce();
    // One send of at most `count` bytes straight from a file, with the same rules.
    bool SendFileOnce(int file, std::size_t count);
    // Sends until nothing is queued; false when sending had to end first.
    bool SendAll();
    // The result of the last send.
    int result() const { return result_; }

private:
    // Counts one send's result and tells whether sending may go on.
    bool Account(int result);

    Connection& connection_;
    ClientTable* progress_;
    TransferMeter meter_;
    int send_slice_ms_;
    int result_ = 0;
    std::chrono::steady_clock::time_point last_progress_ = std::chrono::steady_clock::now();
};

}  // namespace vireo
