#include "site/file_entry.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/files.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

// 1970-01-01 in 100-nanosecond units since 1601-01-01.
constexpr FileTime kUnixEpoch = 116'444'736'000'000'000;

std::vector<std::string> Names(const FileList& list)
{
    std::vector<std::string> names;
    for (const FileEntry& entry : list) names.push_back(entry.name);
    return names;
}

class FileEntryTest : public ::testing::Test {
protected:
    TestHome home;
    fs::path root = home.path() / "share";
};

TEST(FileTimeTest, ConvertsBetweenUnixTimesAndFileTimes)
{
    EXPECT_EQ(FileTimeFromUnixTime(0), kUnixEpoch);
    EXPECT_EQ(FileTimeFromTimespec(timespec{1, 500}), kUnixEpoch + 10'000'000 + 5);
    EXPECT_EQ(UnixTimeFromFileTime(kUnixEpoch + 10'000'000 * 86'400ull + 9'999'999), 86'400);
    EXPECT_EQ(UnixTimeFromFileTime(FileTimeFromUnixTime(1'700'000'000)), 1'700'000'000);
    EXPECT_EQ(UnixTimeFromFileTime(kUnixEpoch - 1), -1);
    EXPECT_EQ(UnixTimeFromFileTime(FileTimeFromUnixTime(-86'400 * 365)), -86'400 * 365);
    EXPECT_EQ(FileTimeFromTimespec(timespec{-11'644'473'601, 0}), 0u);
}

TEST(EntityTagTest, JoinsSizeAndWriteTimeHalvesInHexadecimal)
{
    FileEntry entry;
    entry.size = 26;
    entry.last_write = (FileTime{1} << 32) | 0xFF;
    EXPECT_EQ(EntityTag(entry), "\"1a0-ff-1\"");
    entry.size = 0x1'0000'0000 + 0xABC;
    entry.last_write = 0;
    EXPECT_EQ(EntityTag(entry), "\"abc1-0-0\"");
}

TEST_F(FileEntryTest, FindsAFileWithItsSizeAndWriteTime)
{
    WriteFile(root / "notes.txt", std::string(26, 'n'));
    ASSERT_TRUE(SetWriteTime(root / "notes.txt", 1'700'000'000, 500'000'000));

    std::optional<FileEntry> entry = FindFileEntry((root / "notes.txt").string());
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "notes.txt");
    EXPECT_FALSE(entry->directory);
    EXPECT_FALSE(entry->hidden);
    EXPECT_EQ(entry->size, 26u);
    EXPECT_EQ(entry->last_write, 133'444'736'005'000'000u);
    EXPECT_EQ(EntityTag(*entry), "\"1a0-c6b94b40-1da1747\"");
}

TEST_F(FileEntryTest, DirectoriesHiddenNamesLinksAndMissingPaths)
{
    WriteFile(root / ".profile", "x");
    WriteFile(root / "target.bin", std::string(1000, 't'));
    fs::create_symlink(root / "target.bin", root / "link.bin");
    fs::create_symlink(root / "gone", root / "dangling");

    std::optional<FileEntry> directory = FindFileEntry(root.string());
    ASSERT_TRUE(directory);
    EXPECT_TRUE(directory->directory);
    EXPECT_EQ(directory->name, "share");
    EXPECT_EQ(directory->size, 0u);

    std::optional<FileEntry> hidden = FindFileEntry((root / ".profile").string());
    ASSERT_TRUE(hidden);
    EXPECT_TRUE(hidden->hidden);

    // A link stands for what it points to, under its own name.
    std::optional<FileEntry> link = FindFileEntry((root / "link.bin").string());
    ASSERT_TRUE(link);
    EXPECT_EQ(link->name, "link.bin");
    EXPECT_EQ(link->size, 1000u);

    EXPECT_FALSE(FindFileEntry((root / "dangling").string()));
    EXPECT_FALSE(FindFileEntry((root / "missing.txt").string()));
    EXPECT_FALSE(FindFileEntry("share/target.bin"));  // relative: no volume holds it
    EXPECT_FALSE(FindFileEntry((root / "target.bin").string() + std::string(1, '\0') + "x"));
    ASSERT_TRUE(FindFileEntry("/"));
    EXPECT_TRUE(FindFileEntry("/")->directory);
}

TEST_F(FileEntryTest, ListDirectoryPutsTheThumbnailIndexFirstAndHidesDotNames)
{
    WriteFile(root / "b.txt", "b");
    WriteFile(root / "A.jpg", "a");
    WriteFile(root / "ruvededa.$$$", "thumbnails");
    WriteFile(root / "sub" / "RUVEDEDA.$$$", "sub thumbnails");
    WriteFile(root / ".hidden", "h");
    fs::create_directories(root / ".git");
    fs::create_directories(root / "photos");
    fs::create_symlink(root / "b.txt", root / "link.txt");
    fs::create_symlink(root / "gone", root / "dangling");

    FileList list;
    ListDirectory(list, root.string(), false);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.front().name, "ruvededa.$$$");
    EXPECT_EQ(list.front().size, 10u);
    std::vector<std::string> rest = Names(FileList(list.begin() + 1, list.end()));
    std::sort(rest.begin(), rest.end());
    EXPECT_EQ(rest, (std::vector<std::string>{"A.jpg", "b.txt", "link.txt", "photos", "sub"}));

    // A file of that name in another letter case is left out too, but is no cache: the cache's
    // own name is in lower case.
    ListDirectory(list, (root / "sub").string(), false);
    EXPECT_TRUE(list.empty());
    WriteFile(root / "sub" / "ruvededa.$$$", "sub thumbnails");
    ListDirectory(list, (root / "sub").string(), false);
    EXPECT_EQ(Names(list), std::vector<std::string>{"ruvededa.$$$"});

    // Files only: no sub-directories, and the list starts over.
    ListDirectory(list, root.string() + "/", true);
    rest = Names(list);
    std::sort(rest.begin(), rest.end());
    EXPECT_EQ(rest, (std::vector<std::string>{"A.jpg", "b.txt", "link.txt", "ruvededa.$$$"}));

    ListDirectory(list, (root / "missing").string(), false);
    EXPECT_TRUE(list.empty());
}

TEST_F(FileEntryTest, AddDynamicFileEntryShowsTheDisplayName)
{
    WriteFile(root / "report-2024.txt", "12345");
    fs::create_directories(root / ".cache");
    FileList list;
    EXPECT_TRUE(AddDynamicFileEntry(list, (root / "report-2024.txt").string(), "report.txt"));
    EXPECT_TRUE(AddDynamicFileEntry(list, (root / "report-2024.txt").string(), ""));
    EXPECT_FALSE(AddDynamicFileEntry(list, (root / "missing.txt").string(), "missing.txt"));
    // Found, but a hidden directory is never shown.
    EXPECT_TRUE(AddDynamicFileEntry(list, (root / ".cache").string(), ""));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"report.txt", "report-2024.txt"}));
    EXPECT_EQ(list[0].size, 5u);
}

TEST(SortByNameTest, DirectoriesFirstThenNamesWithoutRegardToCase)
{
    auto entry = [](std::string name, bool directory) {
        FileEntry e;
        e.name = std::move(name);
        e.directory = directory;
        return e;
    };
    FileList list = {entry("zeta.txt", false), entry("Beta", true),    entry("alpha.txt", false),
                     entry("b.TXT", false),    entry("ABC", false),    entry("abc", false),
                     entry("été.txt", false),  entry("alpha", true),   entry("Zulu.txt", false),
                     entry("_under", false),   entry("10.txt", false), entry("9.txt", false)};
    SortByName(list);
    EXPECT_EQ(Names(list),
              (std::vector<std::string>{"alpha", "Beta", "10.txt", "9.txt", "_under", "ABC", "abc",
                                        "alpha.txt", "b.TXT", "zeta.txt", "Zulu.txt", "été.txt"}));

    FileList single = {entry("only", false)};
    SortByName(single);
    EXPECT_EQ(Names(single), std::vector<std::string>{"only"});
}

}  // namespace
}  // namespace vireo::testing
