#include "app/config_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "settings/settings.h"
#include "support/child_process.h"
#include "support/command_outcome.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

Outcome Config(const std::vector<std::string>& args)
{
    return RunCommand(RunConfigCommand, args);
}

// Everything the command can change, as the command itself shows it.
std::string Snapshot()
{
    return Config({"show"}).out + Config({"folder", "list"}).out + Config({"user", "list"}).out;
}

class ConfigCommandTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(shared); }

    TestHome home;
    std::filesystem::path shared = home.path() / "Shared Stuff";
};

TEST_F(ConfigCommandTest, NoWordsOrHelpPrintUsage)
{
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"help"}}) {
        Outcome outcome = Config(args);
        EXPECT_EQ(outcome.exit_code, 0);
        EXPECT_TRUE(outcome.out.starts_with("Usage: vireo config COMMAND\n"));
        EXPECT_EQ(outcome.err, "");
    }
}

TEST_F(ConfigCommandTest, ShowListsEverySettingAndMarksDefaults)
{
    Outcome fresh = Config({"show"});
    ASSERT_EQ(fresh.exit_code, 0);
    std::istringstream lines(fresh.out);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        EXPECT_TRUE(line.ends_with(" (default)")) << line;
    }
    EXPECT_EQ(count, 28);
    EXPECT_NE(fresh.out.find("listen_port = 80 (default)\n"), std::string::npos);
    EXPECT_NE(fresh.out.find("listen_ip = 0.0.0.0 (default)\n"), std::string::npos);
    EXPECT_NE(fresh.out.find("mainpagetitle = \"Welcome to My Website!\" (default)\n"), std::string::npos);
    EXPECT_NE(fresh.out.find("Use AutoBlockList = 1 (default)\n"), std::string::npos);
    EXPECT_NE(fresh.out.find("AutoBlockList =  (default)\n"), std::string::npos);

    ASSERT_TRUE(SetListenPort(8080));
    ASSERT_TRUE(SetSiteIntro("Two\nlines \"quoted\""));
    ASSERT_TRUE(SetAutoBlockList(AddressList{{10, 0, 0, 1}, {10, 0, 0, 2}}));
    Outcome changed = Config({"show"});
    EXPECT_NE(changed.out.find("listen_port = 8080\n"), std::string::npos);
    EXPECT_NE(changed.out.find("siteintro = \"Two\\nlines \\\"quoted\\\"\"\n"), std::string::npos);
    EXPECT_NE(changed.out.find("AutoBlockList = 10.0.0.1, 10.0.0.2\n"), std::string::npos);
}

TEST_F(ConfigCommandTest, SetAndGetRoundTripEveryKindOfValue)
{
    struct Case {
        std::string name;
        std::string value;
        std::string read_back;
    };
    const Case cases[] = {
        {"listen_port", "8080", "8080"},
        {"LISTEN_IP", "192.168.1.20", "192.168.1.20"},
        {"mainpagetitle", "My pages", "My pages"},
        {"siteintro", "", ""},
        {"use passwords", "1", "1"},
        {"IPFilterType", "2", "2"},
        {"IPFilterList", "10.0.0.255,192.168.255.255", "10.0.0.255, 192.168.255.255"},
        {"AutoBlockList", " 1.2.3.4 , 5.6.7.8 ", "1.2.3.4, 5.6.7.8"},
        {"AutoBlockList", "", ""},
        {"ChatRoomMaxMember", "2", "2"},
        {"WebChatWelcomeMsg", "Hi", "Hi"},
    };
    for (const Case& c : cases) {
        Outcome set = Config({"set", c.name, c.value});
        EXPECT_EQ(set.exit_code, 0) << c.name << ": " << set.err;
        Outcome get = Config({"get", c.name});
        EXPECT_EQ(get.exit_code, 0);
        EXPECT_EQ(get.out, c.read_back + "\n") << c.name;
    }
    EXPECT_EQ(GetListenPort(), 8080);
    EXPECT_EQ(GetListenIp(), (Ipv4Address{192, 168, 1, 20}));
    EXPECT_TRUE(GetUsePasswords());
    EXPECT_EQ(GetIpFilterList(), (AddressList{{10, 0, 0, 255}, {192, 168, 255, 255}}));
}

TEST_F(ConfigCommandTest, BadInputIsOneLineExitCode2AndChangesNothing)
{
    ASSERT_EQ(Config({"folder", "add", "photos", shared.string()}).exit_code, 0);
    ASSERT_EQ(Config({"user", "add", "alice", "secret"}).exit_code, 0);
    const std::string before = Snapshot();

    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const std::string missing = (home.path() / "missing").string();
    const Case cases[] = {
        {{"frobnicate"}, "unknown command \"frobnicate\" (see vireo config help)"},
        {{"show", "x"}, "show takes no arguments"},
        {{"get"}, "get takes one setting name"},
        {{"get", "no_such"}, "no setting named \"no_such\" (vireo config show lists them)"},
        {{"set", "listen_port"}, "set takes a setting name and a value"},
        {{"set", "listen_port", "0"}, "listen_port must be a number from 1 to 65535"},
        {{"set", "listen_port", "70000"}, "listen_port must be a number from 1 to 65535"},
        {{"set", "listen_port", "-1"}, "listen_port must be a number from 1 to 65535"},
        {{"set", "listen_port", "80x"}, "listen_port must be a number from 1 to 65535"},
        {{"set", "IPFilterType", "5"}, "IPFilterType must be a number from 0 to 2"},
        {{"set", "ChatRoomMaxMember", "1"}, "ChatRoomMaxMember must be a number from 2 to 999"},
        {{"set", "enablelog", "yes"}, "enablelog must be 0 or 1"},
        {{"set", "listen_ip", "1.2.3"}, "listen_ip must be an IPv4 address such as 192.168.1.10"},
        {{"set", "AutoBlockList", "1.2.3.4,,5.6.7.8"},
         "AutoBlockList must be IPv4 addresses separated by commas, such as 10.0.0.255, 192.168.1.10"},
        {{"set", "mainpagetitle", std::string(80, 't')}, "mainpagetitle takes at most 79 bytes"},
        {{"set", "siteintro", std::string(511, 's')}, "siteintro takes at most 510 bytes"},
        {{"folder"}, "folder takes add, list or remove"},
        {{"folder", "add", "only-name"}, "folder add takes a NAME and a PATH"},
        {{"folder", "add", "x", shared.string(), "--desc"}, "--desc needs a text"},
        {{"folder", "add", "x", shared.string(), "--public"}, "unknown option --public for folder add"},
        {{"folder", "add", "PHOTOS", shared.string()}, "a folder named \"PHOTOS\" exists already"},
        {{"folder", "add", "Webchat", shared.string()},
         "the folder name \"Webchat\" is reserved for a built-in page"},
        {{"folder", "add", "a?b", shared.string()}, "the folder name may not contain the character ?"},
        {{"folder", "add", "  ", shared.string()}, "the folder name is empty"},
        {{"folder", "add", std::string(48, 'n'), shared.string()}, "the folder name is longer than 47 bytes"},
        {{"folder", "add", "new", missing}, "\"" + missing + "\" is not an existing directory"},
        {{"folder", "add", "new", shared.string(), "--desc", std::string(81, 'd')},
         "the description is longer than 80 bytes"},
        {{"folder", "remove", "nothing"}, "no folder named \"nothing\""},
        {{"folder", "list", "x"}, "folder list takes no arguments"},
        {{"user", "add", " ", "secret"}, "the user name has fewer than 3 characters"},
        {{"user", "add", std::string(251, 'u'), "secret"}, "the user name is longer than 250 characters"},
        {{"user", "add", "bob", "12345"}, "the password has fewer than 6 characters"},
        {{"user", "add", "bob", std::string(251, 'p')}, "the password is longer than 250 characters"},
        {{"user", "add", "ab:c", "secret"}, "the user name may not contain \":\""},
        {{"user", "add", "bob"}, "user add takes a NAME and a PASSWORD"},
        {{"user", "remove", "bob"}, "no user named \"bob\""},
        {{"user"}, "user takes add, remove or list"},
    };
    for (const Case& c : cases) {
        Outcome outcome = Config(c.args);
        EXPECT_EQ(outcome.exit_code, 2) << c.error;
        EXPECT_EQ(outcome.err, "vireo config: " + c.error + "\n");
        EXPECT_EQ(outcome.out, "");
    }
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(ConfigCommandTest, FolderAddStoresAnAbsoluteNormalPathWithItsOptions)
{
    // Relative paths count from the working folder, as in a shell.
    struct WorkingFolder {
        std::filesystem::path previous = std::filesystem::current_path();
        ~WorkingFolder() { std::filesystem::current_path(previous); }
    } restore;
    std::filesystem::current_path(home.path());
    Outcome add = Config({"folder", "add", " Stuff ", "./Shared Stuff/../Shared Stuff/", "--zip", "--desc",
                          "Mine", "--hidden"});
    ASSERT_EQ(add.exit_code, 0) << add.err;
    ASSERT_EQ(Config({"folder", "add", "more", shared.string(), "--subfolders", "--post"}).exit_code, 0);

    const FolderSettings stored = ReadFolder("stuff");
    EXPECT_EQ(stored.path, shared.string());
    EXPECT_EQ(stored.description, "Mine");
    EXPECT_FALSE(stored.visible);
    EXPECT_TRUE(stored.zip_download);
    EXPECT_FALSE(stored.can_post_files);

    Outcome list = Config({"folder", "list"});
    EXPECT_EQ(list.exit_code, 0);
    EXPECT_EQ(list.out, "more\t" + shared.string() + "\tsubfolders,post\t\n" + "Stuff\t" + shared.string() +
                            "\thidden,zip\tMine\n");

    EXPECT_EQ(Config({"folder", "remove", "STUFF"}).exit_code, 0);
    EXPECT_FALSE(FolderExists("Stuff"));
}

TEST_F(ConfigCommandTest, UsersAreAddedListedAndRemoved)
{
    EXPECT_EQ(Config({"user", "add", "Alice", "Secret"}).exit_code, 0);
    EXPECT_EQ(Config({"user", "add", " bob\t", std::string(250, 'p')}).exit_code, 0);  // trimmed
    EXPECT_EQ(Config({"user", "list"}).out, "Alice\nbob\n");
    EXPECT_TRUE(CheckUserPassword("alice", "Secret"));
    // Adding an existing user changes the password.
    EXPECT_EQ(Config({"user", "add", "ALICE", "Newer1"}).exit_code, 0);
    EXPECT_TRUE(CheckUserPassword("alice", "Newer1"));
    EXPECT_EQ(Config({"user", "remove", "alice"}).exit_code, 0);
    EXPECT_EQ(Config({"user", "list"}).out, "bob\n");
}

TEST_F(ConfigCommandTest, TheVireoProgramRunsTheSameCommand)
{
    ProgramResult set = RunProgram({VIREO_BINARY, "config", "set", "Use Passwords", "1"});
    EXPECT_EQ(set.exit_code, 0) << set.output;
    ProgramResult get = RunProgram({VIREO_BINARY, "config", "get", "use passwords"});
    EXPECT_EQ(get.exit_code, 0);
    EXPECT_EQ(get.output, "1\n");
    EXPECT_TRUE(GetUsePasswords());
    ProgramResult bad = RunProgram({VIREO_BINARY, "config", "set", "listen_port", "0"});
    EXPECT_EQ(bad.exit_code, 2);
    EXPECT_EQ(bad.output, "vireo config: listen_port must be a number from 1 to 65535\n");
}

}  // namespace
}  // namespace vireo::testing
