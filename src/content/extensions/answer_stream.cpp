#include "content/extensions/answer_stream.h"

#include <algorithm>
#include <limits>

#include "base/io.h"

namespace vireo {
namespace {

// Reading pauses while this much waits to be sent, so a slow visitor holds little memory.
constexpr std::size_t kBufferBytes = 64 * 1024;
constexpr int kSendSliceMs = 1000;

}  // namespace

AnswerStream::AnswerStream(Exchange& exchange, SpawnedProcess& program, const ExtensionLimits& limits)
    : connection_(exchange.connection),
      program_(program),
      limits_(limits),
      stream_(exchange.connection, exchange.clients, kSendSliceMs),
      buffer_(std::make_unique<char[]>(kBufferBytes))
{
}

std::size_t AnswerStream::Read(int fd, std::uint64_t limit)
{
    const ssize_t got =
        ReadSome(fd, buffer_.get(), static_cast<std::size_t>(std::min<std::uint64_t>(kBufferBytes, limit)));
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

bool AnswerStream::SendHead(std::string_view head)
{
    connection_.ClearQueued();
    stream_.Queue(head);
    return stream_.SendAll();
}

bool AnswerStream::SendPlain(int fd, std::optional<std::uint64_t> length)
{
    std::uint64_t left = length.value_or(std::numeric_limits<std::uint64_t>::max());
    while (left > 0) {
        const std::size_t got = Read(fd, left);
        if (got == 0) break;
        left -= got;
        stream_.Queue(std::string_view(buffer_.get(), got));
        if (!stream_.SendAll()) return false;
    }
    return true;
}

bool AnswerStream::SendChunked(int fd)
{
    for (;;) {
        if (connection_.QueuedLength() > 0 && !stream_.SendOnce()) return false;
        if (connection_.QueuedLength() >= kBufferBytes) continue;
        // Asked before reading, so that what the program wrote before its end is still read.
        const bool ended = program_.Ended();
        const std::size_t got = Read(fd, kBufferBytes);
        if (got > 0) {
            stream_.QueueChunk(std::string_view(buffer_.get(), got));
            continue;
        }
        if (connection_.QueuedLength() > 0) continue;
        if (ended) break;
        if (connection_.PeerClosed() != 0) return false;
        program_.WaitForEnd(limits_.poll_step);
    }
    stream_.QueueLastChunk();
    return stream_.SendAll();
}

}  // namespace vireo
