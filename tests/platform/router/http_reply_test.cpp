#include "platform/router/http_reply.h"

#include <gtest/gtest.h>

#include <random>

namespace vireo {
namespace {

using State = HttpReplyReader::State;

// Feeds the reply in random pieces, as a socket hands it over, then the close when asked.
HttpReplyReader Read(std::string_view reply, bool close, std::size_t cap = 256 * 1024, unsigned seed = 1)
{
    HttpReplyReader reader(cap);
    std::mt19937 random(seed);
    while (!reply.empty() && reader.state() == State::NeedMore) {
        const std::size_t piece = std::min<std::size_t>(reply.size(), random() % 40 + 1);
        reader.Add(reply.substr(0, piece));
        reply.remove_prefix(piece);
    }
    if (close) reader.Close();
    return reader;
}

TEST(HttpReplyReader, EachFramingEndsTheBodyWhereItSays)
{
    for (unsigned seed = 1; seed < 20; ++seed) {
        HttpReplyReader length =
            Read("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", false, 1000, seed);
        EXPECT_EQ(length.state(), State::Complete);
        EXPECT_EQ(length.body(), "hello");
        EXPECT_EQ(length.head(), "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n");

        HttpReplyReader chunked = Read(
            "HTTP/1.1 200 OK\r\nContent-Length: 99\r\nTransfer-Encoding: "
            "Chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n",
            false, 1000, seed);
        EXPECT_EQ(chunked.state(), State::Complete);
        EXPECT_EQ(chunked.body(), "abcde");

        HttpReplyReader until_close = Read("HTTP/1.0 200 OK\r\n\r\n<root/>", false, 1000, seed);
        EXPECT_EQ(until_close.state(), State::NeedMore);
        EXPECT_EQ(until_close.Close(), State::Complete);
        EXPECT_EQ(until_close.body(), "<root/>");
    }
}

TEST(HttpReplyReader, AShortOrOversizedReplyFails)
{
    EXPECT_EQ(Read("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort", true).state(), State::Failed);
    EXPECT_EQ(Read("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabc", true).state(),
              State::Failed);
    EXPECT_EQ(Read("HTTP/1.1 200 OK\r\n", true).state(), State::Failed);
    EXPECT_EQ(Read("HTTP/1.1 200 OK\r\n\r\n" + std::string(2000, 'x'), true, 1000).state(), State::Failed);
    EXPECT_EQ(Read("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n", false, 1000).state(), State::NeedMore);
}

}  // namespace
}  // namespace vireo
