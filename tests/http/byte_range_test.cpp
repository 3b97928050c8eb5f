#include "http/byte_range.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace vireo {
namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

struct RangeCase {
    std::string value;
    std::uint64_t size;
    std::optional<RangeSpec> range;
};

void PrintTo(const RangeCase& c, std::ostream* os)
{
    *os << '"' << c.value << "\" of " << c.size;
}

class ParseRangeTest : public ::testing::TestWithParam<RangeCase> {};

TEST_P(ParseRangeTest, AcceptsOneSatisfiableRange)
{
    std::optional<RangeSpec> range = ParseRange(GetParam().value, GetParam().size);
    ASSERT_EQ(range.has_value(), GetParam().range.has_value());
    if (range) {
        EXPECT_EQ(range->start, GetParam().range->start);
        EXPECT_EQ(range->end, GetParam().range->end);
    }
}

// A value of exactly `length` characters naming bytes 5 to 9, padded with leading zeros.
std::string PaddedRange(std::size_t length)
{
    return "bytes=" + std::string(length - 9, '0') + "5-9";
}

INSTANTIATE_TEST_SUITE_P(
    ByteRange, ParseRangeTest,
    ::testing::Values(
        RangeCase{"bytes=0-", 1000, RangeSpec{0, 999}}, RangeCase{"bytes=-100", 1000, RangeSpec{900, 999}},
        RangeCase{"bytes=500-2000", 1000, std::nullopt}, RangeCase{"bytes=0-0", 1000, RangeSpec{0, 0}},
        RangeCase{"Bytes=5-9", 1000, RangeSpec{5, 9}}, RangeCase{"BYTES=5-9", 1000, RangeSpec{5, 9}},
        RangeCase{"bytes = 5-9", 1000, std::nullopt}, RangeCase{"bytes =5-9", 1000, std::nullopt},
        RangeCase{"bytes= 5-9", 1000, std::nullopt}, RangeCase{"bytes=5- 9", 1000, std::nullopt},
        RangeCase{"bytes=5-9 ", 1000, std::nullopt}, RangeCase{"bytes=5-", 1000, RangeSpec{5, 999}},
        RangeCase{"bytes=999-", 1000, RangeSpec{999, 999}}, RangeCase{"bytes=1000-", 1000, std::nullopt},
        RangeCase{"bytes=999-999", 1000, RangeSpec{999, 999}},
        RangeCase{"bytes=0-999", 1000, RangeSpec{0, 999}}, RangeCase{"bytes=0-1000", 1000, std::nullopt},
        RangeCase{"bytes=9-5", 1000, std::nullopt}, RangeCase{"bytes=-0", 1000, std::nullopt},
        RangeCase{"bytes=-1", 1000, RangeSpec{999, 999}}, RangeCase{"bytes=-999", 1000, RangeSpec{1, 999}},
        RangeCase{"bytes=-1000", 1000, std::nullopt}, RangeCase{"bytes=-", 1000, std::nullopt},
        RangeCase{"bytes=--5", 1000, std::nullopt}, RangeCase{"bytes=-5-", 1000, std::nullopt},
        RangeCase{"bytes=+5-9", 1000, std::nullopt}, RangeCase{"bytes=5--9", 1000, std::nullopt},
        RangeCase{"bytes=5", 1000, std::nullopt}, RangeCase{"bytes=abc", 1000, std::nullopt},
        RangeCase{"bytes=", 1000, std::nullopt}, RangeCase{"bytes", 1000, std::nullopt},
        RangeCase{"=0-1", 1000, std::nullopt}, RangeCase{"items=0-1", 1000, std::nullopt},
        RangeCase{"", 1000, std::nullopt},
        // Lists of ranges are not served as ranges.
        RangeCase{"bytes=0-1,5-9", 1000, std::nullopt}, RangeCase{"bytes=0-1, 5-9", 1000, std::nullopt},
        RangeCase{"bytes=5-,7-", 1000, std::nullopt}, RangeCase{"bytes=-5,-7", 1000, std::nullopt},
        // Nothing of an empty file is satisfiable.
        RangeCase{"bytes=0-", 0, std::nullopt}, RangeCase{"bytes=-1", 0, std::nullopt},
        // 64-bit numbers: the largest fit, one more fails instead of wrapping round.
        RangeCase{"bytes=18446744073709551614-", kMax, RangeSpec{kMax - 1, kMax - 1}},
        RangeCase{"bytes=-1", kMax, RangeSpec{kMax - 1, kMax - 1}},
        RangeCase{"bytes=18446744073709551616-", kMax, std::nullopt},
        RangeCase{"bytes=0-18446744073709551616", kMax, std::nullopt},
        RangeCase{"bytes=-18446744073709551616", kMax, std::nullopt},
        RangeCase{"bytes=18446744073709551617-1", 1000, std::nullopt},
        RangeCase{"bytes=0-18446744073709551615", kMax, std::nullopt},
        // At most 255 characters.
        RangeCase{PaddedRange(255), 1000, RangeSpec{5, 9}}, RangeCase{PaddedRange(256), 1000, std::nullopt}));

}  // namespace
}  // namespace vireo
