// Storing uploaded files in their directory: complete files only, under names that stay inside it.
#include "content/upload/upload_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/files.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

// Every name in a directory, sorted.
std::vector<std::string> Names(const fs::path& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class UploadStoreTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(target); }

    // Stores one file through the store and says whether it was kept.
    bool Store(std::string_view name, std::string_view data, bool complete = true)
    {
        UploadStore store(target.string());
        if (!store.BeginFile(name)) return false;
        return store.Write(data) && store.EndFile(complete);
    }

    TestHome home;
    fs::path target = home.path() / "shared";
};

TEST_F(UploadStoreTest, CompleteFileTakesItsNameAndReplacesAnOlderOne)
{
    WriteFile(target / "report.txt", "old contents that are longer");
    ASSERT_TRUE(Store("report.txt", std::string("new\r\n\0", 6)));
    EXPECT_EQ(ReadFile(target / "report.txt"), std::string("new\r\n\0", 6));
    EXPECT_EQ(Names(target), std::vector<std::string>{"report.txt"});
}

TEST_F(UploadStoreTest, IncompleteFileLeavesNothingAndKeepsTheOlderOne)
{
    WriteFile(target / "report.txt", "old");
    {
        UploadStore store(target.string());
        ASSERT_TRUE(store.BeginFile("report.txt"));
        ASSERT_TRUE(store.Write("partial"));
        EXPECT_EQ(Names(target).size(), 2u) << "written beside it under a temporary name";
        EXPECT_EQ(ReadFile(target / "report.txt"), "old");
        EXPECT_FALSE(store.EndFile(false));
    }
    EXPECT_EQ(ReadFile(target / "report.txt"), "old");
    EXPECT_EQ(Names(target), std::vector<std::string>{"report.txt"});
}

TEST_F(UploadStoreTest, UnendedFileIsRemovedWithTheStore)
{
    {
        UploadStore store(target.string());
        ASSERT_TRUE(store.BeginFile("a.txt"));
        ASSERT_TRUE(store.Write("data"));
    }
    EXPECT_TRUE(Names(target).empty());
}

TEST_F(UploadStoreTest, NamesThatWouldLeaveTheDirectoryOrReplaceTheThumbnailsAreRefused)
{
    for (std::string_view name :
         {std::string_view(""), std::string_view("."), std::string_view(".."), std::string_view("a/b"),
          std::string_view("ruvededa.$$$"), std::string_view("RuVeDeDa.$$$"),
          std::string_view("../x"), std::string_view("x\0y", 3)}) {
        EXPECT_FALSE(IsStorableName(name)) << name;
        EXPECT_FALSE(Store(name, "data")) << name;
    }
    EXPECT_TRUE(Names(target).empty());
    EXPECT_FALSE(fs::exists(home.path() / "x"));
    for (std::string_view name : {"...", "a b", "C:x", "\xc3\xa9t\xc3\xa9.txt", ".hidden", "back\\slash"}) {
        EXPECT_TRUE(IsStorableName(name)) << name;
    }
}

TEST_F(UploadStoreTest, LinkInTheDirectoryIsReplacedNotFollowed)
{
    WriteFile(home.path() / "outside.txt", "keep me");
    fs::create_symlink(home.path() / "outside.txt", target / "link.txt");
    ASSERT_TRUE(Store("link.txt", "uploaded"));
    EXPECT_EQ(ReadFile(home.path() / "outside.txt"), "keep me");
    EXPECT_FALSE(fs::is_symlink(target / "link.txt"));
    EXPECT_EQ(ReadFile(target / "link.txt"), "uploaded");
}

TEST_F(UploadStoreTest, DirectoryOfThatNameFailsAndLeavesNothing)
{
    fs::create_directories(target / "photos");
    EXPECT_FALSE(Store("photos", "data"));
    EXPECT_TRUE(fs::is_directory(target / "photos"));
    EXPECT_EQ(Names(target), std::vector<std::string>{"photos"});
}

TEST_F(UploadStoreTest, MissingOrUnwritableDirectoryRefusesEveryFile)
{
    UploadStore missing((home.path() / "nowhere").string());
    EXPECT_FALSE(missing.BeginFile("a.txt"));
    EXPECT_FALSE(missing.EndFile(true));

    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(Store("a.txt", "data"));
    fs::permissions(target, fs::perms::owner_all);
}

}  // namespace
}  // namespace vireo::testing
