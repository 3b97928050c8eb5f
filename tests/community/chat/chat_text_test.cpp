// The chat's text rules: typed text into message HTML, the posted input form, the member id query.
#include "community/chat/chat_text.h"

#include <gtest/gtest.h>

#include "community/chat/chat_handlers.h"
#include "community/chat/speech_form.h"

namespace vireo {
namespace {

TEST(ChatMessageHtmlTest, TextAndLinks)
{
    const struct {
        std::string_view typed;
        std::string_view html;
    } cases[] = {
        {"plain words", "plain words"},
        {"a < b & c > d \"q\"", "a &lt; b &amp; c &gt; d \"q\""},
        {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
        {"two\r\nlines\nand\rmore", "two<br>lines<br>andmore"},
        // The href keeps an ampersand as typed; the link text shows it as an entity; after the
        // blank the text is plain again.
        {"see http://x.example/?a=1&b=2 now <b>",
         "see <a href=\"http://x.example/?a=1&b=2\" target=\"_blank\">http://x.example/?a=1&amp;b=2</a> now "
         "&lt;b&gt;"},
        // A double quote cannot end the attribute.
        {"http://x.example/a\"onmouseover=\"alert(1)",
         "<a href=\"http://x.example/a%22onmouseover=%22alert(1)\" target=\"_blank\">"
         "http://x.example/a\"onmouseover=\"alert(1)</a>"},
        {"HTTPS://Secure.example\tnext",
         "<a href=\"HTTPS://Secure.example\" target=\"_blank\">HTTPS://Secure.example</a>\tnext"},
        // Colons and slashes right after the scheme belong to the link, whatever their number.
        {"http::///x y", "<a href=\"http::///x\" target=\"_blank\">http::///x</a> y"},
        {"http:", "<a href=\"http:\" target=\"_blank\">http:</a>"},
        {"link http://a.example\nnext",
         "link <a href=\"http://a.example\" target=\"_blank\">http://a.example</a><br>next"},
        {"ftp://not.a.link", "ftp://not.a.link"},
        {"xhttp://inside", "x<a href=\"http://inside\" target=\"_blank\">http://inside</a>"},
    };
    for (const auto& c : cases) EXPECT_EQ(ChatMessageHtml(c.typed), c.html) << c.typed;
}

TEST(ChatMessageHtmlTest, LinkEndsAtZeroByte)
{
    const std::string typed("http://a.example\0tail", 21);
    EXPECT_EQ(ChatMessageHtml(typed), "<a href=\"http://a.example\" target=\"_blank\">http://a.example</a>" +
                                          std::string(1, '\0') + "tail");
}

TEST(SpeechFormTest, FieldsAreFoundAndDecoded)
{
    const std::optional<SpeechForm> form = ParseSpeechForm("to=Bob+Smith&speechtext=hi%21+there%0D%0Ayes");
    ASSERT_TRUE(form);
    EXPECT_EQ(form->to, "Bob Smith");
    EXPECT_EQ(form->text, "hi! there\r\nyes");

    const std::optional<SpeechForm> reversed = ParseSpeechForm("speechtext=%3Cb%3E&to=All");
    ASSERT_TRUE(reversed);
    EXPECT_EQ(reversed->to, "All");
    EXPECT_EQ(reversed->text, "<b>");

    const std::optional<SpeechForm> empty = ParseSpeechForm("to=&speechtext=");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->to, "");
    EXPECT_EQ(empty->text, "");

    // A "%" escape takes its leading hexadecimal digits only; one too near the end goes.
    const std::optional<SpeechForm> odd = ParseSpeechForm("to=All&speechtext=%4g%zz%4");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->text, std::string("\x04\0", 2) + "4");
}

TEST(SpeechFormTest, MissingFieldsGiveNothing)
{
    EXPECT_FALSE(ParseSpeechForm(""));
    EXPECT_FALSE(ParseSpeechForm("to=All"));
    EXPECT_FALSE(ParseSpeechForm("speechtext=hello"));
    // The body ends at its first zero byte.
    EXPECT_FALSE(ParseSpeechForm(std::string("to=All\0&speechtext=x", 20)));
}

TEST(ChatMemberIdTest, OnlyNonZeroNumbersOf32Bits)
{
    EXPECT_EQ(ChatMemberIdOfQuery("id=1"), 1u);
    EXPECT_EQ(ChatMemberIdOfQuery("ID=4294967295"), 4294967295u);
    EXPECT_EQ(ChatMemberIdOfQuery("Id=12&x=3"), 12u);
    for (std::string_view query :
         {"", "id=", "id=0", "id=-1", "id=x1", "id=4294967296", "x=1", "id 1", "idx=1"}) {
        EXPECT_FALSE(ChatMemberIdOfQuery(query)) << query;
    }
}

}  // namespace
}  // namespace vireo
