#pragma once

// Input handed over in pieces, as a socket delivers it, for the targets that read replies.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vireo::fuzz {

// Hands `text` to `take` in pieces of 1 to `limit` bytes, their sizes from a fixed sequence so a
// run can be repeated (limit 0: the whole text at once), until the text ends or `take` returns
// false. Returns how many bytes were handed over.
template <typename Take>
std::size_t FeedInPieces(std::string_view text, std::uint8_t limit, Take take)
{
    std::uint32_t state = limit;
    std::size_t fed = 0;
    while (fed < text.size()) {
        state = state * 1103515245u + 12345u;
        const std::size_t piece = limit == 0 ? text.size() : 1 + (state >> 16) % limit;
        const std::string_view bytes = text.substr(fed, piece);
        fed += bytes.size();
        if (!take(bytes)) break;
    }
    return fed;
}

}  // namespace vireo::fuzz
