#include <gtest/gtest.h>

#include <sstream>

#include "app/config_command.h"
#include "settings/dynamic_files.h"
#include "support/child_process.h"
#include "support/command_outcome.h"
#include "support/files.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

Outcome Config(const std::vector<std::string>& args) { return RunCommand(RunConfigCommand, args); }

class ConfigFileCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFile(report, "report");
        WriteFile(notes, "notes");
    }

    TestHome home;
    fs::path report = home.path() / "docs" / "report.txt";
    fs::path notes = home.path() / "docs" / "notes";
};

TEST_F(ConfigFileCommandTest, AddPublishesUnderTheFilesOwnNameNumberedWhenTaken)
{
    const Outcome first = Config({"file", "add", report.string()});
    ASSERT_EQ(first.exit_code, 0) << first.err;
    EXPECT_EQ(first.out, "report.txt\n");
    EXPECT_EQ(Config({"file", "add", report.string()}).out, "report[1].txt\n");
    EXPECT_EQ(Config({"file", "add", notes.string()}).out, "notes\n");
    EXPECT_EQ(Config({"file", "add", notes.string()}).out, "notes[1]\n");

    std::optional<DynamicFile> stored = GetDynamicFile("report[1].txt");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->path, report.string());
    EXPECT_FALSE(stored->real_time);
    EXPECT_FALSE(stored->use_newest);
}

TEST_F(ConfigFileCommandTest, AddTakesANameFlagsAndAPatternAndListShowsThem)
{
    struct WorkingFolder {
        fs::path previous = fs::current_path();
        ~WorkingFolder() { fs::current_path(previous); }
    } restore;
    fs::current_path(home.path());
    ASSERT_EQ(Config({"file", "add", "./docs/../docs/report.txt", "--name", "Latest", "--realtime",
                      "--newest", " *.txt "})
                  .exit_code,
              0);
    ASSERT_EQ(Config({"file", "add", notes.string(), "--newest", ""}).exit_code, 0);

    std::optional<DynamicFile> latest = GetDynamicFile("latest");
    ASSERT_TRUE(latest);
    EXPECT_EQ(latest->path, report.string());
    EXPECT_EQ(latest->pattern, "*.txt");
    EXPECT_TRUE(latest->real_time);
    EXPECT_TRUE(latest->use_newest);

    const Outcome list = Config({"file", "list"});
    EXPECT_EQ(list.exit_code, 0);
    EXPECT_EQ(list.out, "Latest\t" + report.string() + "\trealtime,newest\t*.txt\n" + "notes\t" +
                            notes.string() + "\tnewest\t\n");

    EXPECT_EQ(Config({"file", "remove", "LATEST"}).exit_code, 0);
    EXPECT_FALSE(GetDynamicFile("Latest"));
    EXPECT_EQ(Config({"file", "list"}).out, "notes\t" + notes.string() + "\tnewest\t\n");
}

TEST_F(ConfigFileCommandTest, BadInputIsOneLineExitCode2AndChangesNothing)
{
    ASSERT_EQ(Config({"file", "add", report.string(), "--name", "taken.txt"}).exit_code, 0);
    WriteFile(home.path() / "guestbook", "shadowed by the application");
    WriteFile(home.path() / (std::string(49, 'l') + ".txt"), "long");
    const std::string before = Config({"file", "list"}).out;

    const std::string missing = (home.path() / "missing.txt").string();
    const std::string folder = (home.path() / "docs").string();
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const Case cases[] = {
        {{"file"}, "file takes add, list or remove"},
        {{"file", "add"}, "file add takes one PATH"},
        {{"file", "add", report.string(), notes.string()}, "file add takes one PATH"},
        {{"file", "add", report.string(), "--name"}, "--name needs a display name"},
        {{"file", "add", report.string(), "--newest"}, "--newest needs a file-name pattern"},
        {{"file", "add", report.string(), "--live"}, "unknown option --live for file add"},
        {{"file", "add", missing}, "\"" + missing + "\" is not an existing file"},
        {{"file", "add", folder}, "\"" + folder + "\" is not an existing file"},
        {{"file", "add", report.string(), "--name", "TAKEN.TXT"},
         "a dynamic file named \"TAKEN.TXT\" exists already"},
        {{"file", "add", report.string(), "--name", ""}, "the display name is empty"},
        {{"file", "add", report.string(), "--name", "a/b"}, "the display name may not contain / or \\"},
        {{"file", "add", report.string(), "--name", "a\\b"}, "the display name may not contain / or \\"},
        {{"file", "add", report.string(), "--name", ".."}, "the display name may not be \".\" or \"..\""},
        {{"file", "add", report.string(), "--name", "WebChat"},
         "the display name \"WebChat\" is reserved for a built-in page"},
        {{"file", "add", (home.path() / "guestbook").string()},
         "the display name \"guestbook\" is reserved for a built-in page"},
        {{"file", "add", report.string(), "--name", std::string(49, 'n')},
         "the display name \"" + std::string(49, 'n') + "\" is longer than 48 bytes"},
        {{"file", "add", (home.path() / (std::string(49, 'l') + ".txt")).string()},
         "the display name \"" + std::string(49, 'l') + ".txt\" is longer than 48 bytes"},
        {{"file", "add", report.string(), "--newest", std::string(131, 'p')},
         "the pattern is longer than 130 bytes"},
        {{"file", "remove", "nothing"}, "no dynamic file named \"nothing\""},
        {{"file", "remove"}, "file remove takes one display name"},
        {{"file", "list", "x"}, "file list takes no arguments"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = Config(c.args);
        EXPECT_EQ(outcome.exit_code, 2) << c.error;
        EXPECT_EQ(outcome.err, "vireo config: " + c.error + "\n");
        EXPECT_EQ(outcome.out, "");
    }
    EXPECT_EQ(Config({"file", "list"}).out, before);
}

TEST_F(ConfigFileCommandTest, TheVireoProgramRunsTheFileCommands)
{
    ProgramResult add = RunProgram({VIREO_BINARY, "config", "file", "add", report.string(), "--realtime"});
    EXPECT_EQ(add.exit_code, 0) << add.output;
    EXPECT_EQ(add.output, "report.txt\n");
    EXPECT_TRUE(IsRealTimeFile("report.txt"));
    ProgramResult list = RunProgram({VIREO_BINARY, "config", "file", "list"});
    EXPECT_EQ(list.output, "report.txt\t" + report.string() + "\trealtime\t\n");
}

}  // namespace
}  // namespace vireo::testing
