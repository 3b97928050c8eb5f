#include <gtest/gtest.h>

#include "platform/registry.h"
#include "settings/settings.h"
#include "settings/store_values.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

class FoldersTest : public ::testing::Test {
protected:
    TestHome home;
};

std::vector<std::string> FolderNames()
{
    std::vector<std::string> names;
    for (int i = 0; auto name = EnumFolderName(i); ++i) names.push_back(*name);
    return names;
}

TEST_F(FoldersTest, AFolderWithNothingStoredReadsTheDefaults)
{
    EXPECT_FALSE(FolderExists("photos"));
    EXPECT_FALSE(GetFolderPath("photos"));
    const FolderSettings settings = ReadFolder("photos");
    EXPECT_EQ(settings.path, "");
    EXPECT_EQ(settings.description, "");
    EXPECT_FALSE(settings.can_browse_subfolders);
    EXPECT_FALSE(settings.can_post_files);
    EXPECT_TRUE(settings.visible);
    EXPECT_FALSE(settings.zip_download);
    EXPECT_FALSE(EnumFolderName(0));
}

TEST_F(FoldersTest, WriteFolderStoresAllSixValuesUnderTheName)
{
    const FolderSettings written{"/srv/photos", "Holiday", true, true, false, true};
    ASSERT_TRUE(WriteFolder("Photos", written));
    EXPECT_TRUE(FolderExists("PHOTOS"));
    const FolderSettings read = ReadFolder("photos");
    EXPECT_EQ(read.path, written.path);
    EXPECT_EQ(read.description, written.description);
    EXPECT_TRUE(read.can_browse_subfolders);
    EXPECT_TRUE(read.can_post_files);
    EXPECT_FALSE(read.visible);
    EXPECT_TRUE(read.zip_download);
    const std::string key = std::string(store::kFoldersKey) + "\\Photos";
    EXPECT_EQ(ReadDwordValue(RegistryRoot::CurrentUser, key, "Visible"), 0u);
    EXPECT_EQ(ReadStringValue(RegistryRoot::CurrentUser, key, "folder", 260), "/srv/photos");

    ASSERT_TRUE(SetFolderVisible("photos", true));
    ASSERT_TRUE(SetFolderDescription("photos", "Summer"));
    EXPECT_TRUE(GetFolderVisible("Photos"));
    EXPECT_EQ(GetFolderDescription("Photos"), "Summer");
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"Photos"});
}

TEST_F(FoldersTest, NamesAreListedInOrderAndLongOnesDoNotFitTheListing)
{
    for (std::string_view name : {"music", "Docs", "archive"}) ASSERT_TRUE(SetFolderPath(name, "/tmp"));
    EXPECT_EQ(FolderNames(), (std::vector<std::string>{"archive", "Docs", "music"}));
    ASSERT_TRUE(DeleteFolder("DOCS"));
    EXPECT_EQ(FolderNames(), (std::vector<std::string>{"archive", "music"}));
    ASSERT_TRUE(SetFolderPath(std::string(48, 'x'), "/tmp"));
    EXPECT_EQ(EnumFolderName(2), std::string(48, 'x'));
    ASSERT_TRUE(SetFolderPath(std::string(49, 'y'), "/tmp"));
    EXPECT_FALSE(EnumFolderName(3));
}

TEST_F(FoldersTest, DeletingAFolderRemovesItsNestedKeys)
{
    const std::string key = std::string(store::kFoldersKey) + "\\photos";
    ASSERT_TRUE(SetFolderPath("photos", "/srv/photos"));
    ASSERT_TRUE(WriteDwordValue(RegistryRoot::CurrentUser, key + "\\cache\\thumbs", "n", 1));
    ASSERT_TRUE(DeleteFolder("photos"));
    EXPECT_FALSE(FolderExists("photos"));
    EXPECT_FALSE(KeyExists(RegistryRoot::CurrentUser, key + "\\cache"));
    EXPECT_FALSE(KeyExists(RegistryRoot::CurrentUser, key + "\\cache\\thumbs"));
}

TEST_F(FoldersTest, ARenameLeavesOneEntryAndAFailedOneLeavesTheOldEntry)
{
    ASSERT_TRUE(WriteFolder("photos", {"/srv/photos", "Old", true, true, true, true}));
    ASSERT_TRUE(WriteStringValue(RegistryRoot::CurrentUser, std::string(store::kFoldersKey) + "\\photos",
                                 "stray", "x"));
    const FolderSettings edited{"/srv/pictures", "New", false, true, false, false};
    ASSERT_TRUE(ReplaceFolder("photos", "Pictures", edited));
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"Pictures"});
    EXPECT_TRUE(ReadFolder("pictures") == edited);

    // Keeping the name drops values the folder dialog does not know, so nothing stale stays behind.
    ASSERT_TRUE(WriteStringValue(RegistryRoot::CurrentUser, std::string(store::kFoldersKey) + "\\Pictures",
                                 "stray", "x"));
    ASSERT_TRUE(ReplaceFolder("pictures", "Pictures", edited));
    EXPECT_FALSE(
        ValueExists(RegistryRoot::CurrentUser, std::string(store::kFoldersKey) + "\\Pictures", "stray"));

    EXPECT_FALSE(ReplaceFolder("Pictures", "a\\b", edited));
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"Pictures"});
    EXPECT_EQ(ReadFolder("Pictures").path, "/srv/pictures");
}

TEST_F(FoldersTest, NamesThatWouldReachIntoOtherKeysAreRefused)
{
    EXPECT_FALSE(SetFolderPath("a\\b", "/tmp"));
    EXPECT_FALSE(SetFolderPath("", "/tmp"));
    EXPECT_FALSE(WriteFolder("", FolderSettings{}));
    EXPECT_FALSE(DeleteFolder(""));
    EXPECT_FALSE(KeyExists(RegistryRoot::CurrentUser, store::kFoldersKey));
}

class UsersTest : public ::testing::Test {
protected:
    TestHome home;
};

TEST_F(UsersTest, UserNamesIgnoreCaseAndPasswordsDoNot)
{
    ASSERT_TRUE(SetUserPassword("Alice", "Secret"));
    EXPECT_TRUE(CheckUserPassword("alice", "Secret"));
    EXPECT_TRUE(CheckUserPassword("ALICE", "Secret"));
    EXPECT_FALSE(CheckUserPassword("alice", "secret"));
    EXPECT_FALSE(CheckUserPassword("alice", "Secret "));
    EXPECT_FALSE(CheckUserPassword("bob", "Secret"));
    EXPECT_FALSE(CheckUserPassword("", ""));
    // A password change keeps the name as it was first written.
    ASSERT_TRUE(SetUserPassword("ALICE", "Other"));
    EXPECT_EQ(EnumUser(0)->name, "Alice");
    EXPECT_EQ(EnumUser(0)->password, "Other");
    EXPECT_FALSE(EnumUser(1));
}

TEST_F(UsersTest, APasswordOf255BytesOrMoreNeverMatches)
{
    ASSERT_TRUE(SetUserPassword("max", std::string(254, 'p')));
    EXPECT_TRUE(CheckUserPassword("max", std::string(254, 'p')));
    ASSERT_TRUE(SetUserPassword("over", std::string(255, 'p')));
    EXPECT_FALSE(CheckUserPassword("over", std::string(255, 'p')));
    EXPECT_TRUE(UserExists("over"));
    EXPECT_EQ(EnumUser(1)->name, "over");
    EXPECT_EQ(EnumUser(1)->password, "");
}

TEST_F(UsersTest, ReplacingTheAccountsKeepsExactlyTheNewOnesOrOnFailureTheOld)
{
    ASSERT_TRUE(SetUserPassword("alice", "one"));
    ASSERT_TRUE(SetUserPassword("bob", "two"));
    const std::vector<UserAccount> replaced = {{"Bob", "three"}, {"carol", "four"}};
    ASSERT_TRUE(ReplaceUsers(replaced));
    EXPECT_FALSE(UserExists("alice"));
    EXPECT_EQ(EnumUser(0)->name, "Bob");
    EXPECT_TRUE(CheckUserPassword("bob", "three"));
    EXPECT_TRUE(CheckUserPassword("carol", "four"));
    EXPECT_FALSE(EnumUser(2));

    const std::vector<UserAccount> broken = {{"dave", "five"}, {"", "nameless"}};
    EXPECT_FALSE(ReplaceUsers(broken));
    EXPECT_TRUE(CheckUserPassword("bob", "three"));
    EXPECT_FALSE(UserExists("dave"));
    EXPECT_TRUE(ReplaceUsers({}));
    EXPECT_FALSE(EnumUser(0));
}

TEST_F(UsersTest, AccountsAreListedAddedAndRemoved)
{
    EXPECT_FALSE(SetUserPassword("", "x"));
    EXPECT_FALSE(EnumUser(0));
    for (std::string_view name : {"carol", "Bob", "alice"}) ASSERT_TRUE(SetUserPassword(name, "pw"));
    std::vector<std::string> names;
    for (int i = 0; auto user = EnumUser(i); ++i) names.push_back(user->name);
    EXPECT_EQ(names, (std::vector<std::string>{"alice", "Bob", "carol"}));

    EXPECT_TRUE(DeleteUser("BOB"));
    EXPECT_FALSE(UserExists("bob"));
    EXPECT_FALSE(DeleteUser("bob"));
    EXPECT_TRUE(DeleteAllUsers());
    EXPECT_FALSE(EnumUser(0));
    EXPECT_FALSE(CheckUserPassword("alice", "pw"));
}

}  // namespace
}  // namespace vireo::testing
