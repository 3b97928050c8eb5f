// ParseHttpDate over any "If-Modified-Since" value, and FormatHttpDate over any time: a date the
// server writes reads back as the same second. The input is the header value; its first eight
// bytes (little-endian) also choose a time to format, between the years 0 and 10000.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "http/http_date.h"

namespace vireo::fuzz {
namespace {

// The year of a time in UTC, when the system can tell.
std::optional<long long> YearOf(std::time_t time)
{
    std::tm tm{};
    if (!gmtime_r(&time, &tm)) return std::nullopt;
    return tm.tm_year + 1900LL;
}

// A formatted date has the fixed RFC 1123 form and reads back as the time it was made from.
void RequireRoundTrip(std::time_t time)
{
    const std::optional<std::string> text = FormatHttpDate(time);
    const std::optional<long long> year = YearOf(time);
    Require(text.has_value() == (year && *year >= 0 && *year <= 9999));
    if (!text) return;
    Require(text->size() == 29 && text->ends_with(" GMT") && (*text)[3] == ',');
    Require(ParseHttpDate(*text) == time);
}

}  // namespace
}  // namespace vireo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo::fuzz;
    const std::string_view input = AsText(data, size);

    if (const std::optional<std::time_t> parsed = vireo::ParseHttpDate(input)) {
        // What was read is a time the server can write again (every form has a four-digit or
        // two-digit year), and the written form reads back unchanged.
        RequireRoundTrip(*parsed);
    }

    // 0000-01-01 and 10001-01-01, 00:00:00 UTC: every time with a four-digit year, and a margin.
    constexpr std::int64_t kFirst = -62167219200;
    constexpr std::int64_t kLast = 253433923200;
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < size && i < 8; ++i) bits |= static_cast<std::uint64_t>(data[i]) << (8 * i);
    RequireRoundTrip(static_cast<std::time_t>(kFirst + static_cast<std::int64_t>(bits % (kLast - kFirst))));
    return 0;
}
