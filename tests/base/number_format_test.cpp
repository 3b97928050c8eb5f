#include <gtest/gtest.h>

#include "base/ipv4.h"
#include "base/number_format.h"
#include "base/utf8.h"

namespace vireo {
namespace {

TEST(NumberFormatTest, GroupsDigitsInThrees)
{
    EXPECT_EQ(FormatGrouped(0), "0");
    EXPECT_EQ(FormatGrouped(999), "999");
    EXPECT_EQ(FormatGrouped(1000), "1,000");
    EXPECT_EQ(FormatGrouped(123456789), "123,456,789");
    EXPECT_EQ(FormatGrouped(18446744073709551615ull), "18,446,744,073,709,551,615");
}

TEST(Utf8Test, CutsNeverInsideACharacter)
{
    EXPECT_EQ(CutUtf8("abc", 5), "abc");
    EXPECT_EQ(CutUtf8("ab\xc3\xa9", 3), "ab");
    EXPECT_EQ(CutUtf8("ab\xc3\xa9", 4), "ab\xc3\xa9");
    EXPECT_EQ(CutUtf8("\xe2\x82\xac\xe2\x82\xac", 5), "\xe2\x82\xac");
}

TEST(Ipv4Test, ParsesOnlyFourDecimalOctets)
{
    Ipv4Address address{};
    EXPECT_TRUE(ParseAddress("192.168.255.7", address));
    EXPECT_EQ(address, (Ipv4Address{192, 168, 255, 7}));
    EXPECT_EQ(FormatAddress(address), "192.168.255.7");
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1..2.3", "a.b.c.d", "1.2.3.4 ", "-1.2.3.4",
                            "1.2.3.0004", "+1.2.3.4"}) {
        EXPECT_FALSE(ParseAddress(bad, address)) << bad;
    }
}

}  // namespace
}  // namespace vireo
