// What the owner may enter into the community records: the rules the dialogs and the command share.
#include "community/web_community/community_rules.h"

#include <gtest/gtest.h>

#include "settings/dynamic_files.h"
#include "settings/settings_folders.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

TEST(CommunityRules, IdAndLoginAddressLengthsCountBytes)
{
    struct Case {
        std::string text;
        bool member_id;  // a member ID a host hands out
        bool login_id;   // an ID a member logs in with
        bool login_url;
    };
    const Case cases[] = {
        {"", false, false, false},
        {"ab", false, true, false},
        {"abc", true, true, false},
        {"\xC3\xA9", false, true, false},  // one character, two bytes
        {std::string(64, 'i'), true, true, true},
        {std::string(65, 'i'), false, false, true},
        {"http://a.b/", true, true, false},
        {"http://a.b/c", true, true, true},
        {std::string(255, 'u'), false, false, true},
        {std::string(256, 'u'), false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsMemberIdLength(c.text), c.member_id) << c.text;
        EXPECT_EQ(IsLoginIdLength(c.text), c.login_id) << c.text;
        EXPECT_EQ(IsLoginUrlLength(c.text), c.login_url) << c.text;
    }
}

class CommunityChoicesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FolderSettings folder;
        folder.path = home.path().string();
        ASSERT_TRUE(WriteFolder("Photos", folder));
        ASSERT_TRUE(WriteFolder("docs", folder));
        for (const char* name : {"Zebra.png", "notes", "apple.jpg"}) {
            DynamicFile file;
            file.path = (home.path() / (std::string(name) == "notes" ? "notes.txt" : name)).string();
            ASSERT_TRUE(SetDynamicFile(name, file));
        }
    }

    TestHome home;
};

TEST_F(CommunityChoicesTest, PagesAreTheRootTheFoldersTheServicesAndTheDynamicFiles)
{
    std::vector<std::string> labels;
    std::vector<std::string> paths;
    for (const PageChoice& choice : MemberPageChoices()) {
        labels.push_back(choice.label);
        paths.push_back(choice.path);
    }
    ASSERT_GE(labels.size(), 8u);
    EXPECT_EQ(std::vector(labels.begin(), labels.begin() + 5),
              (std::vector<std::string>{"[Root]", "[docs]", "[Photos]", "[Webchat]", "[WebCommunity]"}));
    EXPECT_EQ(std::vector(paths.begin(), paths.begin() + 5),
              (std::vector<std::string>{"", "docs/", "Photos/", "Webchat/", "WebCommunity/"}));
    EXPECT_EQ(std::vector(labels.begin() + 5, labels.end()), std::vector(paths.begin() + 5, paths.end()));

    struct Case {
        std::string_view path;
        bool allowed;
    };
    const Case cases[] = {
        {"", true},        {"photos/", true}, {"webchat/", true},    {"WebCommunity/", true}, {"notes", true},
        {"Photos", false}, {"other/", false}, {"Guestbook/", false}, {"notes/", false},       {"/", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsMemberPage(c.path), c.allowed) << c.path;
}

TEST_F(CommunityChoicesTest, IconsArePicturesSortedWithoutRegardToCase)
{
    EXPECT_EQ(MemberIconChoices(), (std::vector<std::string>{"apple.jpg", "Zebra.png"}));
    EXPECT_TRUE(IsMemberIcon(""));
    EXPECT_TRUE(IsMemberIcon("APPLE.jpg"));
    EXPECT_FALSE(IsMemberIcon("notes"));
    EXPECT_FALSE(IsMemberIcon("missing.png"));
}

TEST(CommunityRules, LoginTimesAreBlankBeforeTheFirst)
{
    EXPECT_EQ(FormatLoginTime({}), "");
    EXPECT_EQ(FormatLoginTime({2026, 3, 0, 1, 4, 5, 6, 7}), "2026-03-01 04:05:06");
}

}  // namespace
}  // namespace vireo::testing
