#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vireo {

// One byte range of a file; end is inclusive.
struct RangeSpec {
    std::uint64_t start = 0, end = 0;
    bool operator==(const RangeSpec&) const = default;
};

// Parses a "Range" header value against a file of `size` bytes. Only a single satisfiable range
// is accepted ("bytes=A-B", "bytes=A-" or the suffix "bytes=-N" with 0 < N < size); lists,
// blanks, ranges reaching past the end and numbers too large for 64 bits give nullopt, and the
// caller then sends the whole file.
std::optional<RangeSpec> ParseRange(std::string_view value, std::uint64_t size);

}  // namespace vireo
