#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vireo {

// The data of a body sent in chunked framing, joined.
struct JoinedChunks {
    std::string data;
    bool last_chunk_seen = false;  // the zero-size chunk that ends the body was read
};

// Joins the chunks of a body: each chunk is a hexadecimal size, optional spaces or tabs (and any
// chunk extension after a ";"), up to two CR or LF bytes, that many data bytes and two bytes
// skipped. A size the bytes at hand cannot hold takes what is there and ends the walk, so the
// result is never longer than the body.
JoinedChunks JoinChunks(std::string_view body);

// The line that opens a chunk of `size` bytes in chunked framing: the size in lower-case
// hexadecimal and CR LF. The data and a CR LF follow it.
std::string ChunkSizeLine(std::size_t size);

}  // namespace vireo
