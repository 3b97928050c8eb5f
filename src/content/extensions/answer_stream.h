#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "content/extensions/extension_limits.h"
#include "http/chunked_stream.h"
#include "platform/spawned_process.h"
#include "site/exchange.h"

namespace vireo {

// Sends a program's answer to the visitor, with progress in the client table. Each send waits at
// most a second at a time, and a visitor who takes nothing for a minute counts as gone. Every call
// returns false once the visitor has gone.
class AnswerStream {
public:
    AnswerStream(Exchange& exchange, SpawnedProcess& program, const ExtensionLimits& limits);

    // Sends the head as it is, in place of anything queued before.
    bool SendHead(std::string_view head);
    // Sends the file from its position to its end, or only its first `length` bytes when given (so
    // a file that grows after its length went out cannot overrun the answer).
    bool SendPlain(int fd, std::optional<std::uint64_t> length);
    // Sends what the file holds and what the program appends to it, in chunks, as it comes; once
    // the program has ended and everything is sent, the last chunk. A visitor who leaves while the
    // program writes nothing is noticed within a poll step.
    bool SendChunked(int fd);
    // The last send's result.
    int result() const { return stream_.result(); }

private:
    // Reads at most `limit` bytes of the file into the buffer; 0 at its end or on a failure.
    std::size_t Read(int fd, std::uint64_t limit);

    Connection& connection_;
    SpawnedProcess& program_;
    const ExtensionLimits& limits_;
    ChunkedStream stream_;
    std::unique_ptr<char[]> buffer_;
};

}  // namespace vireo
