#include "http/byte_range.h"

#include <charconv>

#include "base/ascii_case.h"

namespace vireo {
namespace {

constexpr std::size_t kMaxRangeLength = 255;

// Reads the decimal number at the front of `text` and removes it; nullopt when the text does not
// start with a digit (signs included) or the number does not fit in 64 bits.
std::optional<std::uint64_t> TakeNumber(std::string_view& text)
{
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{}) return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

// The part after "=": either "A-", "A-B" or "-N".
std::optional<RangeSpec> ParseSpec(std::string_view spec, std::uint64_t size)
{
    RangeSpec range;
    if (spec.starts_with('-')) {
        spec.remove_prefix(1);
        std::optional<std::uint64_t> suffix = TakeNumber(spec);
        if (!suffix || !spec.empty() || *suffix == 0 || *suffix >= size) return std::nullopt;
        range.start = size - *suffix;
        range.end = size - 1;
    } else {
        std::optional<std::uint64_t> start = TakeNumber(spec);
        if (!start || !spec.starts_with('-')) return std::nullopt;
        spec.remove_prefix(1);
        range.start = *start;
        if (spec.empty()) {
            range.end = size - 1;
        } else {
            std::optional<std::uint64_t> end = TakeNumber(spec);
            if (!end || !spec.empty()) return std::nullopt;
            range.end = *end;
        }
    }
    if (range.start > range.end || range.end >= size) return std::nullopt;
    return range;
}

}  // namespace

std::optional<RangeSpec> ParseRange(std::string_view value, std::uint64_t size)
{
    if (value.empty() || size == 0 || value.size() > kMaxRangeLength) return std::nullopt;
    std::size_t equals = value.find('=');
    if (equals == std::string_view::npos || !EqualsIgnoreCase(value.substr(0, equals), "bytes")) {
        return std::nullopt;
    }
    return ParseSpec(value.substr(equals + 1), size);
}

}  // namespace vireo
