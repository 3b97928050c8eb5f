#include "base/crc32.h"

#include <gtest/gtest.h>

namespace vireo::testing {
namespace {

TEST(Crc32Test, MatchesTheStandardCheckValues)
{
    EXPECT_EQ(Crc32(""), 0x00000000u);
    EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc32("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
    EXPECT_EQ(Crc32(std::string_view("\0\xff", 2)), 0x6CDBFD72u);
}

}  // namespace
}  // namespace vireo::testing
