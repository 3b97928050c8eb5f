// How a guestbook form body becomes the stored message text.
#include "community/guestbook/message_text.h"

#include <gtest/gtest.h>

#include <string_view>

namespace vireo::testing {
namespace {

using namespace std::string_view_literals;

// A form body, the message it carries, and the rule the case shows.
struct TextCase {
    std::string_view body;
    std::string_view text;
    std::string_view rule;
};

constexpr TextCase kCases[] = {
    {"msg=Hello", "Hello", "the value after the first equals"},
    {"=Hello", "Hello", "a nameless field"},
    {"msg=a=b", "a=b", "later equals signs are text"},
    {"msg=Hi+there&send=Send", "Hi there&send=Send", "a second field stays, ampersand included"},
    {"", "", "no body"},
    {"msg", "", "no equals sign"},
    {"msg=", "", "nothing after the equals sign"},
    {"msg=+++%0D%0A%09%01%20", "", "only blanks and control bytes"},
    {"msg=%0D%0A++Hi+%0D%0A", "Hi \r\n", "blanks in front go, the rest stays"},
    {"msg=%00x", "\0x"sv, "byte 0 is not cut"},
    {"msg=%A0x", "\xA0x", "bytes above 127 are not blanks"},
    {"msg=%3Cb%3e+%26+%2B", "<b> & +", "escapes of either letter case"},
    {"msg=x%4gy", "x\x04y", "an escape takes its leading hexadecimal digits"},
    {"msg=x%zzy", "x\0y"sv, "an escape without digits gives byte 0"},
    {"msg=ab%4", "ab4", "a percent sign too near the end is dropped"},
    {"msg=ab%", "ab", "a final percent sign is dropped"},
    {"msg=Gr%C3%BC%C3%9Fe+%E2%9C%93", "Grüße ✓", "UTF-8 stays as it came"},
    {"msg=Grüße", "Grüße", "unescaped UTF-8 too"},
};

TEST(GuestbookMessageText, DecodesTheFirstValueToTheEnd)
{
    for (const TextCase& sent : kCases) EXPECT_EQ(GuestbookMessageText(sent.body), sent.text) << sent.rule;
}

}  // namespace
}  // namespace vireo::testing
