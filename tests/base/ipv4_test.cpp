#include "base/ipv4.h"

#include <gtest/gtest.h>

namespace vireo::testing {
namespace {

TEST(Ipv4Test, ParsesFourDecimalFieldsUpTo255)
{
    struct Case {
        std::string text;
        Ipv4Address address;
    };
    const Case good[] = {
        {"0.0.0.0", {0, 0, 0, 0}},
        {"192.168.1.10", {192, 168, 1, 10}},
        {"255.255.255.255", {255, 255, 255, 255}},
        {"010.001.000.9", {10, 1, 0, 9}},  // leading zeros are decimal, not octal
    };
    for (const Case& c : good) {
        Ipv4Address parsed{};
        EXPECT_TRUE(ParseAddress(c.text, parsed)) << c.text;
        EXPECT_EQ(parsed, c.address) << c.text;
    }
    EXPECT_EQ(FormatAddress({10, 1, 0, 9}), "10.1.0.9");
}

TEST(Ipv4Test, RefusesAnythingButExactlyFourFieldsAndLeavesTheOutputAlone)
{
    const char* bad[] = {
        "",          "1.2.3",      "1.2.3.4.",   "1.2.3.4.5", "1.2.3.256",  // a field may not wrap
        "256.0.0.1", "1.2.3.4096", "1.2.3.0256", "1..3.4",    ".1.2.3",    "1.2.3.4 ", " 1.2.3.4",
        "1,2,3,4",   "1.2.3.4x",   "+1.2.3.4",   "1.-2.3.4",  "1.2.3.0x1", "a.b.c.d",  "1.2.3.\xff",
    };
    for (const char* text : bad) {
        Ipv4Address parsed{7, 7, 7, 7};
        EXPECT_FALSE(ParseAddress(text, parsed)) << text;
        EXPECT_EQ(parsed, (Ipv4Address{7, 7, 7, 7})) << text;
    }
}

}  // namespace
}  // namespace vireo::testing
