// ParseRange over any "Range" value and file size, checked against a plain reading of the forms
// it accepts. Input: the file size in decimal, "\n", then the header value ("1000\nbytes=0-499").
// A first line that is no number stands for a file of 1000 bytes.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "base/ascii_case.h"
#include "fuzz_support.h"
#include "http/byte_range.h"

namespace vireo::fuzz {
namespace {

// One or more decimal digits that fit 64 bits, taken from the front of `text`.
std::optional<std::uint64_t> TakeDigits(std::string_view& text)
{
    std::size_t n = 0;
    std::uint64_t value = 0;
    for (; n < text.size() && text[n] >= '0' && text[n] <= '9'; ++n) {
        const std::uint64_t digit = static_cast<std::uint64_t>(text[n] - '0');
        if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    if (n == 0) return std::nullopt;
    text.remove_prefix(n);
    return value;
}

// What the header promises: "bytes=A-B", "bytes=A-" or "bytes=-N" with 0 < N < size, a single
// range inside the file, nothing else (no blanks, no lists), and no value over 255 bytes.
std::optional<std::pair<std::uint64_t, std::uint64_t>> Expected(std::string_view value, std::uint64_t size)
{
    constexpr std::string_view kUnit = "bytes=";
    if (size == 0 || value.size() > 255 || !StartsWithIgnoreCase(value, kUnit)) return std::nullopt;
    std::string_view rest = value.substr(kUnit.size());
    if (rest.starts_with('-')) {
        rest.remove_prefix(1);
        const std::optional<std::uint64_t> suffix = TakeDigits(rest);
        if (!suffix || !rest.empty() || *suffix == 0 || *suffix >= size) return std::nullopt;
        return std::pair{size - *suffix, size - 1};
    }
    const std::optional<std::uint64_t> start = TakeDigits(rest);
    if (!start || !rest.starts_with('-')) return std::nullopt;
    rest.remove_prefix(1);
    std::uint64_t end = size - 1;
    if (!rest.empty()) {
        const std::optional<std::uint64_t> last = TakeDigits(rest);
        if (!last || !rest.empty()) return std::nullopt;
        end = *last;
    }
    if (*start > end || end >= size) return std::nullopt;
    return std::pair{*start, end};
}

}  // namespace
}  // namespace vireo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo;
    using namespace vireo::fuzz;
    const auto [size_line, value] = SplitFirstLine(AsText(data, size));
    std::uint64_t file_size = 1000;
    const auto parsed = std::from_chars(size_line.data(), size_line.data() + size_line.size(), file_size);
    if (parsed.ec != std::errc{}) file_size = 1000;

    const auto range = ParseRange(value, file_size);
    const auto expected = Expected(value, file_size);
    Require(range.has_value() == expected.has_value());
    if (range) {
        Require(range->start <= range->end && range->end < file_size);
        Require(range->start == expected->first && range->end == expected->second);
    }
    return 0;
}
