#include "http/http_date.h"

#include <gtest/gtest.h>

#include "support/printable.h"

namespace vireo {
namespace {

// Sun, 06 Nov 1994 08:49:37 GMT
constexpr std::time_t kExampleTime = 784111777;

TEST(HttpDate, FormatsRfc1123InUtc)
{
    EXPECT_EQ(FormatHttpDate(kExampleTime), "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(FormatHttpDate(0), "Thu, 01 Jan 1970 00:00:00 GMT");
    EXPECT_EQ(FormatHttpDate(951782400), "Tue, 29 Feb 2000 00:00:00 GMT");
    EXPECT_EQ(FormatHttpDate(253402300799), "Fri, 31 Dec 9999 23:59:59 GMT");
    EXPECT_EQ(FormatHttpDate(253402300800), std::nullopt);
}

struct DateCase {
    std::string_view text;
    std::optional<std::time_t> time;
};

void PrintTo(const DateCase& c, std::ostream* os)
{
    *os << testing::Printable(c.text);
}

class ParseHttpDateTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(ParseHttpDateTest, ReadsTheThreeForms)
{
    EXPECT_EQ(ParseHttpDate(GetParam().text), GetParam().time) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    HttpDate, ParseHttpDateTest,
    ::testing::Values(DateCase{"Sun, 06 Nov 1994 08:49:37 GMT", kExampleTime},
                      DateCase{"Sunday, 06-Nov-94 08:49:37 GMT", kExampleTime},
                      DateCase{"Sun Nov  6 08:49:37 1994", kExampleTime},
                      DateCase{"sun, 06 nov 1994 08:49:37 gmt", kExampleTime},
                      DateCase{"Sun, 6 Nov 1994 08:49:37 GMT", kExampleTime},
                      DateCase{"Sun, 06 Nov 1994 08:49:37 GMT; length=1234", kExampleTime},
                      DateCase{"  Sun, 06 Nov 1994 08:49:37 GMT  ", kExampleTime},
                      DateCase{"Thursday, 01-Jan-70 00:00:00 GMT", 0},
                      DateCase{"Saturday, 01-Jan-05 00:00:00 GMT", 1104537600}, DateCase{"", std::nullopt},
                      DateCase{"Sun, 06 Nov 1994", std::nullopt},
                      DateCase{"Sun, 06 Nov 1994 08:49:37", std::nullopt},
                      DateCase{"Sun, 06 Nov 1994 08:49:37 GMT extra", std::nullopt},
                      DateCase{"Sun, 32 Nov 1994 08:49:37 GMT", std::nullopt},
                      DateCase{"Sun, 00 Nov 1994 08:49:37 GMT", std::nullopt},
                      DateCase{"Sun, 06 Foo 1994 08:49:37 GMT", std::nullopt},
                      DateCase{"Sun, 06 Nov 1994 24:00:00 GMT", std::nullopt},
                      DateCase{"Sun, 06 Nov 1994 08:60:00 GMT", std::nullopt},
                      DateCase{"Sun, 06 Nov 1994 8:49:37 GMT", std::nullopt},
                      DateCase{"Sun, 06-Nov 1994 08:49:37 GMT", std::nullopt},
                      DateCase{"Sun Nov  6 08:49:37 94", std::nullopt},
                      DateCase{"\"etag-not-a-date\"", std::nullopt}, DateCase{"Sun,", std::nullopt}));

TEST(HttpDate, FormattedDatesReadBack)
{
    // Years before 100 written with four digits are those years, not a century's two-digit form.
    for (std::time_t t : {std::time_t{0}, kExampleTime, std::time_t{1700000000}, std::time_t{4102444799},
                          std::time_t{-60589296000}, std::time_t{-304707111}}) {
        std::optional<std::string> text = FormatHttpDate(t);
        ASSERT_TRUE(text);
        EXPECT_EQ(text->size(), 29u);
        EXPECT_EQ(ParseHttpDate(*text), t) << *text;
    }
}

}  // namespace
}  // namespace vireo
