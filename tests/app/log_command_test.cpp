// `vireo log show | find TEXT | reset`.
#include "app/log_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "settings/settings.h"
#include "site/logbook.h"
#include "support/child_process.h"
#include "support/command_outcome.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

Outcome Log(const std::vector<std::string>& args) { return RunCommand(RunLogCommand, args); }

const Ipv4Endpoint kVisitor{{203, 0, 113, 9}, 51234};
const Ipv4Endpoint kServer{{192, 0, 2, 1}, 80};

class LogCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetEnableLog(true));
        ASSERT_TRUE(WriteLogRecord(kVisitor, kServer, "", "GET /apple HTTP/1.1\r\nX-Fruit: apple\r\n\r\n"));
        ASSERT_TRUE(WriteLogRecord(kVisitor, kServer, kLogDisconnected, ""));
    }

    std::string File() const
    {
        std::ifstream file(home.path() / "vireolog.txt", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    TestHome home;
};

TEST_F(LogCommandTest, ShowPrintsTheWholeLogbook)
{
    const Outcome shown = Log({"show"});
    EXPECT_EQ(shown.exit_code, 0);
    EXPECT_EQ(shown.out, File());
    EXPECT_EQ(shown.err, "");
}

TEST_F(LogCommandTest, FindListsMatchingRecordsOncePerOccurrence)
{
    const std::string log = File();
    const std::string apple = log.substr(0, log.find(kLogSeparator) + kLogSeparator.size());
    EXPECT_EQ(Log({"find", "apple"}).out, apple + apple);
    EXPECT_EQ(Log({"find", "  Disconnected by  "}).out, log.substr(apple.size()));
    EXPECT_EQ(Log({"find", "APPLE"}).out, "");
}

TEST_F(LogCommandTest, ResetEmptiesTheLogbook)
{
    EXPECT_EQ(Log({"reset"}).exit_code, 0);
    EXPECT_EQ(File(), "");
    EXPECT_EQ(Log({"show"}).out, "");
}

TEST_F(LogCommandTest, BadCommandLinesAreExitCode2)
{
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const Case cases[] = {
        {{"find", "ab"}, "find needs a text of at least 3 characters"},
        {{"find", "  ab \t"}, "find needs a text of at least 3 characters"},
        {{"find", std::string(255, 'x')}, "find takes a text of at most 254 characters"},
        {{"find"}, "find takes one text (quote a text that holds spaces)"},
        {{"find", "two", "words"}, "find takes one text (quote a text that holds spaces)"},
        {{"show", "all"}, "show takes no arguments"},
        {{"reset", "now"}, "reset takes no arguments"},
        {{"tail"}, "unknown command \"tail\" (see vireo log help)"},
    };
    const std::string before = File();
    for (const Case& c : cases) {
        const Outcome outcome = Log(c.args);
        EXPECT_EQ(outcome.exit_code, 2) << c.error;
        EXPECT_EQ(outcome.err, "vireo log: " + c.error + "\n");
        EXPECT_EQ(outcome.out, "");
    }
    EXPECT_EQ(File(), before);
}

TEST(LogCommandWithoutLogbookTest, ShowSaysWhereItLooked)
{
    TestHome home;
    const Outcome shown = Log({"show"});
    EXPECT_EQ(shown.exit_code, 0);
    EXPECT_EQ(shown.out, "");
    EXPECT_EQ(shown.err,
              "vireo log: there is no logbook at " + (home.path() / "vireolog.txt").string() + "\n");
    EXPECT_EQ(Log({"find", "anything"}).out, "");
}

TEST_F(LogCommandTest, TheProgramRunsTheCommands)
{
    const ProgramResult shown = RunProgram({VIREO_BINARY, "log", "show"});
    EXPECT_EQ(shown.exit_code, 0);
    EXPECT_EQ(shown.output, File());
    const ProgramResult short_text = RunProgram({VIREO_BINARY, "log", "find", "ab"});
    EXPECT_EQ(short_text.exit_code, 2);
    EXPECT_EQ(RunProgram({VIREO_BINARY, "log", "reset"}).exit_code, 0);
    EXPECT_EQ(File(), "");
}

}  // namespace
}  // namespace vireo::testing
