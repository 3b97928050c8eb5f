#include "base/chunked_body.h"

#include <cstdio>
#include <optional>

#include "base/hex_digit.h"

namespace vireo {

JoinedChunks JoinChunks(std::string_view body)
{
    JoinedChunks joined;
    std::size_t at = 0;
    while (at < body.size()) {
        std::size_t size = 0;
        const std::size_t digits_start = at;
        while (at < body.size()) {
            std::optional<unsigned> digit = HexDigitValue(body[at]);
            if (!digit) break;
            // More digits than any body can hold: the size is as good as endless.
            size = size > body.size() ? size : size * 16 + *digit;
            ++at;
        }
        if (at == digits_start) return joined;
        while (at < body.size() && (body[at] == ' ' || body[at] == '\t')) ++at;
        if (at < body.size() && body[at] == ';') {
            while (at < body.size() && body[at] != '\r' && body[at] != '\n') ++at;
        }
        for (int i = 0; i < 2 && at < body.size() && (body[at] == '\r' || body[at] == '\n'); ++i) ++at;
        if (size == 0) {
            joined.last_chunk_seen = true;
            return joined;
        }
        const std::size_t taken = std::min(size, body.size() - at);
        joined.data.append(body.substr(at, taken));
        at += taken;
        if (taken < size) return joined;
        at += 2;
    }
    return joined;
}

std::string ChunkSizeLine(std::size_t size)
{
    char line[24];
    const int length = std::snprintf(line, sizeof line, "%zx\r\n", size);
    return std::string(line, static_cast<std::size_t>(length));
}

}  // namespace vireo
