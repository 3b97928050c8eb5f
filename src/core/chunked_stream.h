#pragma once

#include <chrono>
#include <string_view>

#include "core/client_table.h"
#include "core/connection.h"

namespace vireo {

// Writes an answer of unknown length in chunked framing: the caller queues the head and the
// pieces, and every byte sent is reported to the client table, whose total grows with each piece.
class ChunkedStream {
public:
    ChunkedStream(Connection& connection, ClientTable* progress, int send_slice_ms);

    // Queues bytes as they are (the head of the answer).
    void Queue(std::string_view bytes);
    // Queues one chunk: its length in lower-case hexadecimal, CR LF, the data, CR LF.
    void QueueChunk(std::string_view data);
    // Queues the zero-length chunk that ends the answer.
    void QueueLastChunk() { Queue("0\r\n\r\n"); }

    // One send of what is queued. False on a failure other than a full socket, or when the peer
    // has taken nothing for a minute.
    bool SendOnce();
    // Sends until nothing is queued; false on a failure.
    bool SendAll();
    // The result of the last send.
    int result() const { return result_; }

private:
    Connection& connection_;
    ClientTable* progress_;
    TransferMeter meter_;
    int send_slice_ms_;
    int result_ = 0;
    std::chrono::steady_clock::time_point last_progress_ = std::chrono::steady_clock::now();
};

}  // namespace vireo
