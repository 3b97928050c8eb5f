#include "site/page_text.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "support/test_home.h"

namespace vireo::testing {
namespace {

struct SizeCase {
    std::uint64_t bytes;
    std::string_view text;
};

class FormatSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FormatSizeTest, ShowsTheSizeInItsUnit)
{
    EXPECT_EQ(FormatSize(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Units, FormatSizeTest,
                         ::testing::Values(SizeCase{0, "0"}, SizeCase{512, "512"}, SizeCase{1023, "1023"},
                                           SizeCase{1024, "1.0 KB"}, SizeCase{1536, "1.5 KB"},
                                           SizeCase{1048575, "1024.0 KB"}, SizeCase{1048576, "1.0 MB"},
                                           SizeCase{1073741823, "1024.0 MB"}, SizeCase{1073741824, "1.0 GB"},
                                           SizeCase{3221225472, "3.0 GB"},
                                           SizeCase{5000000000000, "4656.6 GB"}));

// Sizes are rounded to tenths exactly as "%.1f" rounds the quotient, halves to even included.
TEST(FormatSizeRounding, MatchesPrintfAcrossUnits)
{
    auto printed = [](std::uint64_t bytes, double unit, const char* name) {
        char text[64];
        std::snprintf(text, sizeof text, "%.1f %s", static_cast<double>(bytes) / unit, name);
        return std::string(text);
    };
    for (std::uint64_t bytes = 1024; bytes < 300000; ++bytes) {
        ASSERT_EQ(FormatSize(bytes), printed(bytes, 1024.0, "KB")) << bytes;
    }
    for (std::uint64_t bytes = 1048576; bytes < 1073741824; bytes += 104857 + bytes / 1000) {
        ASSERT_EQ(FormatSize(bytes), printed(bytes, 1048576.0, "MB")) << bytes;
        ASSERT_EQ(FormatSize(bytes + 52428), printed(bytes + 52428, 1048576.0, "MB")) << bytes;
    }
    for (std::uint64_t bytes : {1073741824ull + 53687091ull, 1610612736ull, 9007199254740991ull,
                                9007199254740993ull, 18446744073709551615ull}) {
        EXPECT_EQ(FormatSize(bytes), printed(bytes, 1073741824.0, "GB")) << bytes;
    }
}

class DisplayTitleTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes)
    {
        std::filesystem::path path = home.path() / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    // An MP3 file whose last `distance` bytes start with the tag marker and a 30-byte title.
    std::string Mp3(const std::string& name, std::string_view marker, std::string title, std::size_t distance)
    {
        title.resize(30, ' ');
        std::string tail = std::string(marker) + title;
        tail.resize(distance, '\0');
        return Write(name, std::string(300, 'a') + tail);
    }

    TestHome home;
};

TEST_F(DisplayTitleTest, Mp3TitleComesFromTheTag)
{
    EXPECT_EQ(GetDisplayTitle(Mp3("song.mp3", "TAG", "Blue Moon", 128)), "Blue Moon");
    EXPECT_EQ(GetDisplayTitle(Mp3("lower.MP3", "tag", "Night", 128)), "Night");
    // Trailing zero bytes go as well as blanks.
    EXPECT_EQ(GetDisplayTitle(Mp3("zeros.mp3", "TAG", std::string("Zero\0\0 \0", 8), 128)), "Zero");
    // The title ends at its first zero; what follows is not part of it.
    EXPECT_EQ(GetDisplayTitle(Mp3("inner.mp3", "TAG", std::string("Ab\0cd", 5), 128)), "Ab");
    // Two stray bytes behind the tag.
    EXPECT_EQ(GetDisplayTitle(Mp3("shifted.mp3", "TAG", "Shifted", 130)), "Shifted");
    EXPECT_EQ(GetDisplayTitle(Mp3("untagged.mp3", "XYZ", "Nothing", 128)), "");
    EXPECT_EQ(GetDisplayTitle(Write("short.mp3", "TAGShort")), "");
}

TEST_F(DisplayTitleTest, HtmlTitleIsTakenAsWritten)
{
    EXPECT_EQ(GetDisplayTitle(Write("page.html", "<HTML><HEAD><TITLE>My Page</TITLE></HEAD></HTML>")),
              "My Page");
    EXPECT_EQ(GetDisplayTitle(Write("page.HTM", "<title> &amp; spaced </title>")), " &amp; spaced ");
    EXPECT_EQ(GetDisplayTitle(Write("empty.html", "<title></title>")), "");
    EXPECT_EQ(GetDisplayTitle(Write("open.html", "<title>Runs to the end")), "Runs to the end");
    EXPECT_EQ(GetDisplayTitle(Write("none.html", "<p>no title</p>")), "");
    EXPECT_EQ(GetDisplayTitle(Write("long.html", "<title>" + std::string(300, 'x') + "</title>")),
              std::string(255, 'x'));
    // The cut never splits a character.
    EXPECT_EQ(GetDisplayTitle(Write("utf8.html", "<title>" + std::string(254, 'x') + "\xc3\xa9</title>")),
              std::string(254, 'x'));
}

TEST_F(DisplayTitleTest, OtherFilesHaveNoTitle)
{
    EXPECT_EQ(GetDisplayTitle(Write("page.txt", "<title>Text</title>")), "");
    EXPECT_EQ(GetDisplayTitle(Write("html", "<title>No extension</title>")), "");
    EXPECT_EQ(GetDisplayTitle((home.path() / "missing.html").string()), "");
    std::filesystem::create_directory(home.path() / "folder.html");
    EXPECT_EQ(GetDisplayTitle((home.path() / "folder.html").string()), "");
    // A FIFO would block a reader that waits for a writer; it is no file to take a title from.
    ASSERT_EQ(::mkfifo((home.path() / "pipe.html").c_str(), 0600), 0);
    EXPECT_EQ(GetDisplayTitle((home.path() / "pipe.html").string()), "");
}

TEST(TypeName, UnknownExtensionsAreNamedAfterThemselves)
{
    EXPECT_EQ(GetTypeName("xyz.qqqzz", false), "QQQZZ File");
    EXPECT_EQ(GetTypeName("anything", true), "File Folder");
}

TEST(EntryTime, ShowsLocalTimeToTheMinute)
{
    const char* old_tz = std::getenv("TZ");
    const std::string saved = old_tz ? old_tz : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    // 2021-03-04 05:06:59 UTC
    EXPECT_EQ(FormatEntryTime(FileTimeFromUnixTime(1614834419)), "2021-03-04 05:06");
    ::setenv("TZ", "JST-9", 1);
    ::tzset();
    EXPECT_EQ(FormatEntryTime(FileTimeFromUnixTime(1614834419)), "2021-03-04 14:06");
    if (old_tz) {
        ::setenv("TZ", saved.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
}

}  // namespace
}  // namespace vireo::testing
