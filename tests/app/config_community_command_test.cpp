#include <gtest/gtest.h>

#include "app/config_command.h"
#include "community/web_community/community_store.h"
#include "settings/dynamic_files.h"
#include "settings/settings.h"
#include "settings/settings_folders.h"
#include "support/child_process.h"
#include "support/command_outcome.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

Outcome Config(const std::vector<std::string>& args)
{
    return RunCommand(RunConfigCommand, args);
}

class ConfigCommunityCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FolderSettings photos;
        photos.path = home.path().string();
        ASSERT_TRUE(WriteFolder("photos", photos));
        DynamicFile logo;
        logo.path = (home.path() / "logo.png").string();
        ASSERT_TRUE(SetDynamicFile("logo.png", logo));
        DynamicFile notes;
        notes.path = (home.path() / "notes.txt").string();
        ASSERT_TRUE(SetDynamicFile("notes", notes));
    }

    TestHome home;
};

TEST_F(ConfigCommunityCommandTest, MembersAreAddedListedAndRemoved)
{
    EXPECT_EQ(Config({"community", "member", "add", "  walker-7  "}).exit_code, 0);
    EXPECT_EQ(Config({"community", "member", "add", "abc"}).exit_code, 0);
    ASSERT_TRUE(FindMember("walker-7"));
    EXPECT_EQ(FindMember("walker-7")->last_login, RecordTime{});

    // What a login wrote, including text another machine sent, on one line per member.
    CommunityMember logged{
        "abc", "Anna\tB", "http://10.0.0.5/", "line\r\nbreak", {2026, 12, 2, 8, 9, 5, 7, 0}};
    ASSERT_TRUE(WriteMember(logged));
    EXPECT_EQ(Config({"community", "member", "list"}).out,
              "abc\tAnna\\x09B\thttp://10.0.0.5/\t2026-12-08 09:05:07\tline\\x0D\\x0Abreak\n"
              "walker-7\t\t\t\t\n");
    EXPECT_EQ(Config({"community", "member", "remove", "ABC"}).exit_code, 0);
    EXPECT_EQ(Config({"community", "member", "list"}).out, "walker-7\t\t\t\t\n");
}

TEST_F(ConfigCommunityCommandTest, HostsAreAddedWithTheMembersFactsAndListedWithTheOutcome)
{
    const Outcome add =
        Config({"community", "host", "add", "me", " http://10.0.0.1/WebCommunity/login ", "--name", "My Site",
                "--page", "photos/", "--icon", "logo.png", "--desc", "Hills"});
    ASSERT_EQ(add.exit_code, 0) << add.err;
    std::optional<CommunityHost> host = FindHost("me");
    ASSERT_TRUE(host);
    EXPECT_EQ(host->login_url, "http://10.0.0.1/WebCommunity/login");
    EXPECT_EQ(host->site_name, "My Site");
    EXPECT_EQ(host->page_path, "photos/");
    EXPECT_EQ(host->icon, "logo.png");
    EXPECT_EQ(host->description, "Hills");
    int number = 0;
    for (std::string_view page : {"", "Webchat/", "webcommunity/", "notes", "PHOTOS/"}) {
        const std::string id = "page" + std::to_string(++number);
        EXPECT_EQ(
            Config({"community", "host", "add", id, "http://10.0.0.1/login", "--page", std::string(page)})
                .exit_code,
            0)
            << page;
    }

    host->host_name = "Walkers";
    host->host_page = "http://10.0.0.1//WebCommunity/";
    host->host_description = "Up & down";
    host->last_login = {2026, 1, 4, 2, 3, 4, 5, 6};
    ASSERT_TRUE(WriteHost(*host));
    CommunityHost failed;
    failed.id = "zz";
    failed.login_url = "http://10.0.0.2:81/x";
    failed.host_description = "Can not connect to 10.0.0.2";
    ASSERT_TRUE(WriteHost(failed));
    const std::string list = Config({"community", "host", "list"}).out;
    EXPECT_NE(
        list.find("me\thttp://10.0.0.1/WebCommunity/login\tWalkers\thttp://10.0.0.1//WebCommunity/\tUp & "
                  "down\t2026-01-02 03:04:05\n"),
        std::string::npos)
        << list;
    EXPECT_TRUE(list.ends_with("zz\thttp://10.0.0.2:81/x\t\t\tCan not connect to 10.0.0.2\t\n")) << list;
    EXPECT_EQ(Config({"community", "host", "remove", "ZZ"}).exit_code, 0);
    EXPECT_FALSE(FindHost("zz"));
}

TEST_F(ConfigCommunityCommandTest, BadInputIsOneLineExitCode2AndChangesNothing)
{
    ASSERT_EQ(Config({"community", "member", "add", "taken"}).exit_code, 0);
    ASSERT_EQ(Config({"community", "host", "add", "taken", "http://10.0.0.1/login"}).exit_code, 0);
    const std::string members = Config({"community", "member", "list"}).out;
    const std::string hosts = Config({"community", "host", "list"}).out;
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const Case cases[] = {
        {{"community"}, "community takes member or host"},
        {{"community", "member", "add", " ab "}, "a member ID has 3 to 64 bytes"},
        {{"community", "member", "add", std::string(65, 'm')}, "a member ID has 3 to 64 bytes"},
        {{"community", "member", "add", "TAKEN"}, "a member \"TAKEN\" exists already"},
        {{"community", "member", "remove", "nobody"}, "no member \"nobody\""},
        {{"community", "member", "list", "x"}, "community member takes add ID, remove ID or list"},
        {{"community", "host", "add", "x", "http://10.0.0.1/login"}, "a member ID has 2 to 64 bytes"},
        {{"community", "host", "add", "xy", "http://a/b"}, "a login URL has 12 to 255 bytes"},
        {{"community", "host", "add", "xy", "http://10.0.0.1/" + std::string(240, 'l')},
         "a login URL has 12 to 255 bytes"},
        {{"community", "host", "add", "xy"}, "community host add takes an ID and a LOGIN-URL"},
        {{"community", "host", "add", "xy", "http://10.0.0.1/login", "--desc"}, "--desc needs a value"},
        {{"community", "host", "add", "xy", "http://10.0.0.1/login", "--color", "red"},
         "unknown option --color for community host add"},
        {{"community", "host", "add", "xy", "http://10.0.0.1/login", "--name", std::string(256, 'n')},
         "--name and --desc take at most 255 bytes"},
        {{"community", "host", "add", "xy", "http://10.0.0.1/login", "--page", "photos"},
         "--page takes \"\", a shared folder's name and \"/\", \"Webchat/\", \"WebCommunity/\" or a dynamic "
         "file's name, not \"photos\""},
        {{"community", "host", "add", "xy", "http://10.0.0.1/login", "--page", "other/"},
         "--page takes \"\", a shared folder's name and \"/\", \"Webchat/\", \"WebCommunity/\" or a dynamic "
         "file's name, not \"other/\""},
        {{"community", "host", "add", "xy", "http://10.0.0.1/login", "--icon", "notes"},
         "--icon takes the name of a dynamic file that is a picture, not \"notes\""},
        {{"community", "host", "add", "Taken", "http://10.0.0.1/login"},
         "a host record \"Taken\" exists already"},
        {{"community", "host", "remove", "nobody"}, "no host record \"nobody\""},
        {{"community", "host"}, "community host takes add ID LOGIN-URL [options], remove ID or list"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = Config(c.args);
        EXPECT_EQ(outcome.exit_code, 2) << c.error;
        EXPECT_EQ(outcome.err, "vireo config: " + c.error + "\n");
        EXPECT_EQ(outcome.out, "");
    }
    EXPECT_EQ(Config({"community", "member", "list"}).out, members);
    EXPECT_EQ(Config({"community", "host", "list"}).out, hosts);
}

TEST_F(ConfigCommunityCommandTest, TheVireoProgramRunsTheCommunityCommandsAndSettings)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"config", "set", "AsWebCommHost", "1"},
          {"config", "set", "WebCommNameAsHost", "Hill Walkers"},
          {"config", "community", "member", "add", "walker-1"}}) {
        std::vector<std::string> command = {VIREO_BINARY};
        command.insert(command.end(), args.begin(), args.end());
        const ProgramResult result = RunProgram(command);
        EXPECT_EQ(result.exit_code, 0) << result.output;
    }
    EXPECT_TRUE(GetAsWebCommHost());
    EXPECT_EQ(GetWebCommNameAsHost(), "Hill Walkers");
    EXPECT_EQ(RunProgram({VIREO_BINARY, "config", "community", "member", "list"}).output,
              "walker-1\t\t\t\t\n");
}

}  // namespace
}  // namespace vireo::testing
