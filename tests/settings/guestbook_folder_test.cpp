#include "settings/guestbook_folder.h"

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

class GuestbookFolderTest : public ::testing::Test {
protected:
    std::string Default() const { return (home.path() / "VireoGuestbook").string(); }

    TestHome home;
};

TEST_F(GuestbookFolderTest, DefaultsToTheDocumentsFolderWithoutCreatingIt)
{
    EXPECT_EQ(GetGuestbookFolder(false), Default());
    EXPECT_FALSE(std::filesystem::exists(Default()));
    std::filesystem::create_directory(home.path() / "Documents");
    EXPECT_EQ(GetGuestbookFolder(false), (home.path() / "Documents/VireoGuestbook").string());
    EXPECT_FALSE(GetGuestbookDir());
}

TEST_F(GuestbookFolderTest, AnExistingConfiguredFolderIsUsedInNormalForm)
{
    std::filesystem::create_directories(home.path() / "book");
    ASSERT_TRUE(SetGuestbookDir(home.path().string() + "//book/"));
    EXPECT_EQ(GetGuestbookFolder(false), (home.path() / "book").string());
    EXPECT_EQ(GetGuestbookFolder(true), (home.path() / "book").string());
}

TEST_F(GuestbookFolderTest, AMissingConfiguredFolderIsReplacedByTheDefaultWhichIsStored)
{
    const std::string configured = (home.path() / "parent/book").string();
    ASSERT_TRUE(SetGuestbookDir(configured));
    EXPECT_EQ(GetGuestbookFolder(false), configured);
    // The folders above it are made, but the folder itself is not: the default takes its place.
    EXPECT_EQ(GetGuestbookFolder(true), Default());
    EXPECT_TRUE(std::filesystem::is_directory(home.path() / "parent"));
    EXPECT_FALSE(std::filesystem::exists(configured));
    EXPECT_TRUE(std::filesystem::is_directory(Default()));
    EXPECT_EQ(GetGuestbookDir(), Default());
}

TEST_F(GuestbookFolderTest, AFolderOffTheLocalDisksIsIgnored)
{
    ASSERT_TRUE(SetGuestbookDir("relative/book"));
    EXPECT_EQ(GetGuestbookFolder(false), Default());
}

}  // namespace
}  // namespace vireo::testing
