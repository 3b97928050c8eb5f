// `vireo config ipfilter ...` and `vireo config autoblock ...`.
#include <gtest/gtest.h>

#include <sstream>

#include "app/config_command.h"
#include "settings/settings.h"
#include "support/command_outcome.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

Outcome Config(const std::vector<std::string>& args) { return RunCommand(RunConfigCommand, args); }

class ConfigAccessCommandTest : public ::testing::Test {
protected:
    TestHome home;
};

TEST_F(ConfigAccessCommandTest, ModeIsShownAndSetByName)
{
    EXPECT_EQ(Config({"ipfilter", "mode"}).out, "off\n");
    const std::pair<std::string, IpFilterType> modes[] = {
        {"allow", IpFilterType::AllowedOnly}, {"deny", IpFilterType::Forbidden}, {"off", IpFilterType::Off}};
    for (const auto& [word, mode] : modes) {
        ASSERT_EQ(Config({"ipfilter", "mode", word}).exit_code, 0);
        EXPECT_EQ(GetIpFilterType(), mode);
        EXPECT_EQ(Config({"ipfilter", "mode"}).out, word + "\n");
    }
}

TEST_F(ConfigAccessCommandTest, FilterEntriesAreAddedOnceListedAndRemoved)
{
    for (const char* address : {"192.168.255.255", "10.0.0.7", "192.168.255.255"}) {
        EXPECT_EQ(Config({"ipfilter", "add", address}).exit_code, 0) << address;
    }
    EXPECT_EQ(Config({"ipfilter", "list"}).out, "192.168.255.255\n10.0.0.7\n");
    EXPECT_EQ(Config({"ipfilter", "remove", "192.168.255.255"}).exit_code, 0);
    EXPECT_EQ(GetIpFilterList(), (AddressList{{10, 0, 0, 7}}));
    EXPECT_EQ(Config({"ipfilter", "remove", "10.0.0.7"}).exit_code, 0);
    EXPECT_EQ(Config({"ipfilter", "list"}).out, "");
}

TEST_F(ConfigAccessCommandTest, BlockListIsListedEditedAndCleared)
{
    ASSERT_TRUE(AddToAutoBlockList({203, 0, 113, 9}));
    ASSERT_TRUE(AddToAutoBlockList({198, 51, 100, 1}));
    EXPECT_EQ(Config({"autoblock", "list"}).out, "203.0.113.9\n198.51.100.1\n");
    EXPECT_EQ(Config({"autoblock", "add", "192.0.2.5"}).exit_code, 0);
    EXPECT_EQ(Config({"autoblock", "remove", "203.0.113.9"}).exit_code, 0);
    EXPECT_EQ(GetAutoBlockList(), (AddressList{{198, 51, 100, 1}, {192, 0, 2, 5}}));
    EXPECT_EQ(Config({"autoblock", "clear"}).exit_code, 0);
    EXPECT_EQ(Config({"autoblock", "list"}).out, "");
    EXPECT_EQ(Config({"autoblock", "clear"}).exit_code, 0);
}

TEST_F(ConfigAccessCommandTest, BadInputIsExitCode2AndChangesNothing)
{
    ASSERT_TRUE(SetIpFilterType(2));
    ASSERT_TRUE(AddToIpFilterList({10, 0, 0, 255}));
    ASSERT_TRUE(AddToAutoBlockList({203, 0, 113, 9}));
    auto snapshot = [] {
        return Config({"ipfilter", "mode"}).out + Config({"ipfilter", "list"}).out +
               Config({"autoblock", "list"}).out;
    };
    const std::string before = snapshot();

    const std::string malformed = " is not an IPv4 address such as 192.168.1.10 (255 matches any number)";
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const Case cases[] = {
        {{"ipfilter"}, "ipfilter takes mode, add, remove or list"},
        {{"ipfilter", "mode", "block"}, "ipfilter mode takes off, allow or deny"},
        {{"ipfilter", "mode", "2"}, "ipfilter mode takes off, allow or deny"},
        {{"ipfilter", "mode", "off", "now"}, "ipfilter mode takes off, allow or deny"},
        {{"ipfilter", "add", "10.0.0"}, "\"10.0.0\"" + malformed},
        {{"ipfilter", "add", "10.0.0.256"}, "\"10.0.0.256\"" + malformed},
        {{"ipfilter", "add", "10.0.0.1 "}, "\"10.0.0.1 \"" + malformed},
        {{"ipfilter", "add", "*.0.0.1"}, "\"*.0.0.1\"" + malformed},
        {{"ipfilter", "add"}, "ipfilter add takes one address"},
        {{"ipfilter", "remove", "10.0.0.9"}, "10.0.0.9 is not in the IP filter list"},
        {{"ipfilter", "remove", "10.0.0.x"}, "\"10.0.0.x\"" + malformed},
        {{"ipfilter", "list", "all"}, "ipfilter list takes no arguments"},
        {{"autoblock"}, "autoblock takes list, add, remove or clear"},
        {{"autoblock", "remove", "203.0.113.10"}, "203.0.113.10 is not in the auto-block list"},
        {{"autoblock", "remove", "203.0.113"}, "\"203.0.113\"" + malformed},
        {{"autoblock", "add", "1.2.3.4.5"}, "\"1.2.3.4.5\"" + malformed},
        {{"autoblock", "clear", "all"}, "autoblock clear takes no arguments"},
    };
    for (const Case& c : cases) {
        Outcome outcome = Config(c.args);
        EXPECT_EQ(outcome.exit_code, 2) << c.error;
        EXPECT_EQ(outcome.err, "vireo config: " + c.error + "\n");
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(snapshot(), before) << c.error;
    }
}

}  // namespace
}  // namespace vireo::testing
