#include "base/text_helpers.h"

#include <gtest/gtest.h>

#include "settings/folder_name.h"

namespace vireo::testing {
namespace {

TEST(TextHelpersTest, TrimTextCutsBlanksAtBothEndsOnly)
{
    struct Case {
        std::string in;
        std::string out;
    };
    for (const Case& c : {Case{"", ""}, Case{" \t\r\n", ""}, Case{"  a b  ", "a b"},
                          Case{"\r\nline\r\n", "line"}, Case{"x", "x"}, Case{"\va\v", "\va\v"}}) {
        std::string text = c.in;
        EXPECT_EQ(TrimText(text), c.out.size()) << c.in;
        EXPECT_EQ(text, c.out);
        EXPECT_EQ(Trimmed(c.in), c.out);
    }
}

TEST(TextHelpersTest, NormalizePathGivesOneSlashFormWithoutATrailingSlash)
{
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"/", "/"},
        {"//", "/"},
        {"", ""},
        {"a", "a"},
        {"/home/u/", "/home/u"},
        {"/home//u///Pictures//", "/home/u/Pictures"},
        {"\\home\\u\\Pictures\\", "/home/u/Pictures"},
        {"C:\\data\\\\x", "C:/data/x"},
        {"relative/dir/", "relative/dir"},
    };
    for (const Case& c : cases) {
        std::string path = c.in;
        NormalizePath(path);
        EXPECT_EQ(path, c.out) << c.in;
    }
}

TEST(TextHelpersTest, FindExtensionPointsAtTheLastDotOrAfterIt)
{
    struct Case {
        std::string_view name;
        std::size_t with_dot;
        std::size_t after_dot;
    };
    for (const Case& c : {Case{"photo.jpg", 5, 6}, Case{"my.photo.jpeg", 8, 9}, Case{"README", 6, 6},
                          Case{"", 0, 0}, Case{"trailing.", 8, 9}, Case{".hidden", 0, 1}}) {
        EXPECT_EQ(FindExtension(c.name, true), c.with_dot) << c.name;
        EXPECT_EQ(FindExtension(c.name, false), c.after_dot) << c.name;
    }
}

TEST(TextHelpersTest, FormatSiteUrlLeavesOutPort80)
{
    EXPECT_EQ(FormatSiteUrl({{192, 168, 1, 20}, 80}), "http://192.168.1.20/");
    EXPECT_EQ(FormatSiteUrl({{127, 0, 0, 1}, 8080}), "http://127.0.0.1:8080/");
    EXPECT_EQ(FormatSiteUrl({{255, 255, 255, 255}, 65535}), "http://255.255.255.255:65535/");
    EXPECT_EQ(FormatSiteUrl({{10, 0, 0, 1}, 0}), "http://10.0.0.1:0/");
}

TEST(TextHelpersTest, EscapeControlBytesWritesEachAsHex)
{
    const std::string text = std::string("a\tb\r\nc\rd\ne\x1b[0m") + std::string(1, '\0') + "\x7f\xc3\xa9\\";
    EXPECT_EQ(EscapeControlBytes(text, KeptControls::None),
              "a\\x09b\\x0D\\x0Ac\\x0Dd\\x0Ae\\x1B[0m\\x00\\x7F\xc3\xa9\\");
    EXPECT_EQ(EscapeControlBytes(text, KeptControls::TabAndLineEnds),
              "a\tb\r\nc\\x0Dd\\x0Ae\\x1B[0m\\x00\\x7F\xc3\xa9\\");
    // A CR at the very end has no LF to pair with.
    EXPECT_EQ(EscapeControlBytes("end\r", KeptControls::TabAndLineEnds), "end\\x0D");
    EXPECT_EQ(EscapeControlBytes("", KeptControls::None), "");
}

TEST(TextHelpersTest, ConstantTimeEqualsIsExactComparison)
{
    EXPECT_TRUE(ConstantTimeEquals("", ""));
    EXPECT_TRUE(ConstantTimeEquals("Secret", "Secret"));
    EXPECT_FALSE(ConstantTimeEquals("Secret", "secret"));
    EXPECT_FALSE(ConstantTimeEquals("Secret", "Secret2"));
    EXPECT_FALSE(ConstantTimeEquals("Secret", ""));
    // A shorter text is not padded with zero bytes into a match.
    EXPECT_FALSE(ConstantTimeEquals(std::string_view("ab\0", 3), "ab"));
}

TEST(FolderNameTest, AcceptsOnlyNamesTheFolderDialogAccepts)
{
    for (std::string_view good :
         {"photos", "My Music", "a=b", "x", "Guestbook2", "Ünïcode", "...", ".hidden"}) {
        EXPECT_FALSE(CheckFolderName(good)) << good;
    }
    EXPECT_FALSE(CheckFolderName(std::string(47, 'n')));

    struct Case {
        std::string name;
        std::string reason;
    };
    const Case cases[] = {
        {"", "the folder name is empty"},
        {" \t ", "the folder name is empty"},
        {"what?", "the folder name may not contain the character ?"},
        {"say\"hi\"", "the folder name may not contain the character \""},
        {"a\\b", "the folder name may not contain the character \\"},
        {"webchat", "the folder name \"webchat\" is reserved for a built-in page"},
        {"GUESTBOOK", "the folder name \"GUESTBOOK\" is reserved for a built-in page"},
        {"WebCommunity", "the folder name \"WebCommunity\" is reserved for a built-in page"},
        {"extension", "the folder name \"extension\" is reserved for a built-in page"},
        {std::string(48, 'n'), "the folder name is longer than 47 bytes"},
        {".", "the folder name \".\" can never be reached"},
        {"..", "the folder name \"..\" can never be reached"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckFolderName(c.name), c.reason) << c.name;
    }
    for (char forbidden : std::string_view("#%&*/:<>?@\\|\"")) {
        EXPECT_TRUE(CheckFolderName(std::string("a") + forbidden + "b")) << forbidden;
    }
}

}  // namespace
}  // namespace vireo::testing
