#include "base/chunked_body.h"

#include <gtest/gtest.h>

namespace vireo {
namespace {

TEST(JoinChunks, JoinsTheDataOfEachChunkUpToTheLastOne)
{
    const JoinedChunks joined =
        JoinChunks("5\r\nhello\r\n1a \t;name=value\r\nabcdefghijklmnopqrstuvwxyz\r\n0\r\n\r\n");
    EXPECT_EQ(joined.data, "helloabcdefghijklmnopqrstuvwxyz");
    EXPECT_TRUE(joined.last_chunk_seen);
    // Bare line feeds, and whatever two bytes stand after the data, as a sloppy host sends them.
    EXPECT_EQ(JoinChunks("3\nabcXY2\n\nde--0\n").data, "abcde");
    EXPECT_TRUE(JoinChunks("3\nabcXY2\n\nde--0\n").last_chunk_seen);
    EXPECT_EQ(JoinChunks("").data, "");
    EXPECT_FALSE(JoinChunks("").last_chunk_seen);
}

TEST(JoinChunks, NeverTakesMoreThanTheBodyHolds)
{
    for (std::string_view body :
         {"ffffffffffffffffffff\r\nabc", "10\r\nshort", "x\r\n", "5\r\nhello\r\nzz"}) {
        const JoinedChunks joined = JoinChunks(body);
        EXPECT_LE(joined.data.size(), body.size()) << body;
        EXPECT_FALSE(joined.last_chunk_seen) << body;
    }
    EXPECT_EQ(JoinChunks("ffffffffffffffffffff\r\nabc").data, "abc");
    EXPECT_EQ(JoinChunks("5\r\nhello\r\nzz").data, "hello");
}

}  // namespace
}  // namespace vireo
