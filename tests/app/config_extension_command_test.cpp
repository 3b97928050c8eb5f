// `vireo config extension show | folder PATH | enable 0|1`.
#include <gtest/gtest.h>

#include "app/config_command.h"
#include "settings/extension_settings.h"
#include "support/command_outcome.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

Outcome Config(const std::vector<std::string>& args)
{
    return RunCommand(RunConfigCommand, args);
}

class ConfigExtensionCommandTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(programs); }

    TestHome home;
    fs::path programs = home.path() / "programs";
};

TEST_F(ConfigExtensionCommandTest, FolderThenEnableSwitchesExtensionsOnAndShowSaysSo)
{
    EXPECT_EQ(Config({"extension", "show"}).out, "Folder = \"\"\nEnabled = 0\n");

    const Outcome folder = Config({"extension", "folder", (home.path() / "programs/../programs/").string()});
    ASSERT_EQ(folder.exit_code, 0) << folder.err;
    EXPECT_EQ(GetStoredExtensionFolder(), programs.string());
    EXPECT_FALSE(GetExtensionFolder());
    ASSERT_EQ(Config({"extension", "enable", "1"}).exit_code, 0);
    EXPECT_EQ(GetExtensionFolder(), programs.string());
    EXPECT_EQ(Config({"extension", "show"}).out, "Folder = \"" + programs.string() + "\"\nEnabled = 1\n");

    // A folder that goes away leaves the switch on but extensions unused, and show tells.
    fs::remove(programs);
    EXPECT_EQ(Config({"extension", "show"}).out,
              "Folder = \"" + programs.string() +
                  "\"\nEnabled = 1 (not in use: the folder is not an existing directory)\n");
    ASSERT_EQ(Config({"extension", "enable", "0"}).exit_code, 0);
    EXPECT_FALSE(GetStoredExtensionEnabled());
}

TEST_F(ConfigExtensionCommandTest, BadInputIsOneLineExitCode2AndChangesNothing)
{
    const fs::path long_folder = home.path() / std::string(250, 'f');
    fs::create_directories(long_folder);
    const std::vector<std::vector<std::string>> bad = {
        {"extension", "enable", "1"},  // no folder yet
        {"extension", "folder", (home.path() / "missing").string()},
        {"extension", "folder", long_folder.string()},  // longer than the store keeps
        {"extension", "enable", "2"},
        {"extension", "enable"},
        {"extension", "show", "more"},
        {"extension", "folder"},
        {"extension"},
        {"extension", "start"},
    };
    for (const std::vector<std::string>& args : bad) {
        const Outcome outcome = Config(args);
        EXPECT_EQ(outcome.exit_code, 2) << args.back();
        EXPECT_EQ(outcome.out, "") << args.back();
        EXPECT_TRUE(outcome.err.starts_with("vireo config: ")) << args.back();
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    }
    EXPECT_FALSE(GetStoredExtensionFolder());
    EXPECT_FALSE(GetStoredExtensionEnabled());

    // Once the folder is gone again, switching on is refused as well.
    ASSERT_EQ(Config({"extension", "folder", programs.string()}).exit_code, 0);
    fs::remove(programs);
    EXPECT_EQ(Config({"extension", "enable", "1"}).exit_code, 2);
    EXPECT_FALSE(GetStoredExtensionEnabled());
}

}  // namespace
}  // namespace vireo::testing
