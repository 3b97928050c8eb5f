#include "base/url_codec.h"

#include <gtest/gtest.h>

#include <string>

#include "support/printable.h"

namespace vireo {
namespace {

struct CodecCase {
    std::string input;
    std::string output;
};

void PrintTo(const CodecCase& c, std::ostream* os)
{
    *os << testing::Printable(c.input);
}

class UrlUnescapeTest : public ::testing::TestWithParam<CodecCase> {};

TEST_P(UrlUnescapeTest, DecodesPercentSequences)
{
    EXPECT_EQ(UrlUnescape(GetParam().input), GetParam().output) << GetParam().input;
}

INSTANTIATE_TEST_SUITE_P(
    UrlCodec, UrlUnescapeTest,
    ::testing::Values(CodecCase{"%41", "A"}, CodecCase{"%4", "%4"}, CodecCase{"a%4", "a%4"},
                      CodecCase{"%", "%"}, CodecCase{"%zz", "%zz"}, CodecCase{"%4g", "%4g"},
                      CodecCase{"%g4", "%g4"}, CodecCase{"%%41", "%A"}, CodecCase{"%aB%Cd", "\xAB\xCD"},
                      CodecCase{"a+b", "a+b"}, CodecCase{"/a%20b/%2F", "/a b//"},
                      CodecCase{"%e2%82%ac", "\xE2\x82\xAC"}, CodecCase{"caf\xC3\xA9", "caf\xC3\xA9"},
                      CodecCase{"%00", std::string(1, '\0')}, CodecCase{"", ""}, CodecCase{"%2541", "%41"}));

class UrlEscapeTest : public ::testing::TestWithParam<CodecCase> {};

TEST_P(UrlEscapeTest, EscapesWhatWouldBreakALink)
{
    EXPECT_EQ(UrlEscape(GetParam().input), GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(UrlCodec, UrlEscapeTest,
                         ::testing::Values(CodecCase{"a b#c%d\"e", "a%20b%23c%25d%22e"},
                                           CodecCase{"/photos/My Trip/", "/photos/My%20Trip/"},
                                           CodecCase{"\xC3\xA9t\xC3\xA9<&>'?+/", "\xC3\xA9t\xC3\xA9<&>'?+/"},
                                           CodecCase{"", ""}));

TEST(UrlCodec, EscapedNamesUnescapeToThemselves)
{
    for (std::string name : {"a b", "100%", "#1 \"best\"", "%41", "x%2"}) {
        EXPECT_EQ(UrlUnescape(UrlEscape(name)), name);
    }
}

class HtmlEscapeTest : public ::testing::TestWithParam<CodecCase> {};

TEST_P(HtmlEscapeTest, EscapesMarkup)
{
    EXPECT_EQ(HtmlEscape(GetParam().input), GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(UrlCodec, HtmlEscapeTest,
                         ::testing::Values(CodecCase{"<a href=\"x\">&</a>",
                                                     "&lt;a href=&quot;x&quot;&gt;&amp;&lt;/a&gt;"},
                                           CodecCase{"&amp;", "&amp;amp;"},
                                           CodecCase{"it's \xC3\xA9", "it's \xC3\xA9"}, CodecCase{"", ""}));

class FormEncodeTest : public ::testing::TestWithParam<CodecCase> {};

TEST_P(FormEncodeTest, KeepsLettersDigitsAndThreeMarks)
{
    EXPECT_EQ(FormEncode(GetParam().input), GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(UrlCodec, FormEncodeTest,
                         ::testing::Values(CodecCase{"Az09-._", "Az09-._"}, CodecCase{"a b", "a+b"},
                                           CodecCase{"http://x/?a=1&b", "http%3A%2F%2Fx%2F%3Fa%3D1%26b"},
                                           CodecCase{"100% \xC3\xA9~+", "100%25+%C3%A9%7E%2B"},
                                           CodecCase{std::string("\0\x7F", 2), "%00%7F"}, CodecCase{"", ""}));

}  // namespace
}  // namespace vireo
