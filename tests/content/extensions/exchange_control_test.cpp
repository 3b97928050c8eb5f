// The body path a program names: what the answers over the socket do not reach.
#include "content/extensions/exchange_control.h"

#include <gtest/gtest.h>

namespace vireo {
namespace {

TEST(ExchangeControl, TheBodyPathIsTrimmedNormalisedCutAtNulAndBounded)
{
    EXPECT_EQ(ParseBodyPath("  /srv/site//pages\\index.html \r\n"), "/srv/site/pages/index.html");
    EXPECT_EQ(ParseBodyPath(std::string_view("/a/b\0/ignored", 13)), "/a/b");
    EXPECT_EQ(ParseBodyPath(" \t\r\n"), "");
    const std::string long_path = "/" + std::string(300, 'p');
    EXPECT_EQ(ParseBodyPath(long_path), long_path.substr(0, kBodyPathBytes));
    // Fewer than three control characters are no control yet.
    EXPECT_FALSE(ParseExchangeControl("11"));
}

}  // namespace
}  // namespace vireo
