#pragma once

#include <string_view>

#include "http/client_table.h"
#include "http/connection.h"
#include "http/tracked_sender.h"

namespace vireo {

// Writes an answer of unknown length in chunked framing: the caller queues the head and the
// pieces, and every byte sent is reported to the client table, whose total grows with each piece.
class ChunkedStream {
public:
    ChunkedStream(Connection& connection, ClientTable* progress, int send_slice_ms)
        : connection_(connection), sender_(connection, progress, send_slice_ms, 0)
    {
    }

    // Queues bytes as they are (the head of the answer).
    void Queue(std::string_view bytes);
    // Queues one chunk: its length in lower-case hexadecimal, CR LF, the data, CR LF.
    void QueueChunk(std::string_view data);
    // Queues the zero-length chunk that ends the answer.
    void QueueLastChunk() { Queue("0\r\n\r\n"); }

    bool SendOnce() { return sender_.SendOnce(); }
    bool SendAll() { return sender_.SendAll(); }
    int result() const { return sender_.result(); }

private:
    Connection& connection_;
    TrackedSender sender_;
};

}  // namespace vireo
