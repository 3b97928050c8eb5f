#pragma once

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

}  // namespace vireo
