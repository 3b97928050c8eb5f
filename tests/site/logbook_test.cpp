// The logbook's record layout, its file and the window's three commands.
#include "site/logbook.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "settings/settings.h"
#include "support/files.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

const std::string kSeparator(kLogSeparator);
const Ipv4Endpoint kVisitor{{203, 0, 113, 9}, 51234};
const Ipv4Endpoint kServer{{192, 0, 2, 1}, 8080};
const Ipv4Endpoint kLoopback{{127, 0, 0, 1}, 40000};

std::tm SampleTime()
{
    std::tm time{};
    time.tm_year = 2024 - 1900;
    time.tm_mon = 2;
    time.tm_mday = 5;
    time.tm_hour = 7;
    time.tm_min = 8;
    time.tm_sec = 9;
    return time;
}

// The log with every time line replaced by "Time: *".
std::string MaskTimes(const std::string& log)
{
    static const std::regex time("Time: \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\r\n");
    return std::regex_replace(log, time, "Time: *\r\n");
}

TEST(FormatLogRecordTest, RecordsAreLaidOutByteForByte)
{
    struct Case {
        std::string_view request;
        std::string_view message;
        std::string body;  // what follows the address line
    };
    const Case cases[] = {
        {"GET / HTTP/1.1\r\nHost: x\r\n\r\n", "", "GET / HTTP/1.1\r\nHost: x\r\n"},
        {"", kLogDisconnected, "\r\n*** Disconnected by client.\r\n"},
        {"GET /a", "*** Note.\r\n\n", "GET /a\r\n\r\n*** Note.\r\n"},
        {"GET /b\n", "", "GET /b\r\n"},
        {std::string_view("\0GET /c\r\n", 9), kLogTimedOut, "\r\n*** Request header timed out.\r\n"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatLogRecord(SampleTime(), kVisitor, c.request, c.message),
                  "Time: 2024-03-05 07:08:09\r\nAddr: 203.0.113.9:51234\r\n" + c.body + kSeparator)
            << c.request;
    }
}

class LogbookTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SetEnableLog(true)); }

    fs::path LogFile() const { return home.path() / "vireolog.txt"; }

    TestHome home;
};

TEST_F(LogbookTest, WritesNothingWhileTheLogbookIsOff)
{
    ASSERT_TRUE(SetEnableLog(false));
    EXPECT_FALSE(WriteLogRecord(kVisitor, kServer, kLogDisconnected, "GET / HTTP/1.1\r\n\r\n"));
    EXPECT_FALSE(fs::exists(LogFile()));
}

TEST_F(LogbookTest, AppendsRecordsToTheFileInTheDocumentsFolder)
{
    fs::create_directories(home.path() / "Docs");
    fs::create_directories(home.path() / ".config");
    std::ofstream(home.path() / ".config" / "user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n";
    ASSERT_EQ(LogbookPath(), home.path() / "Docs" / "vireolog.txt");

    ASSERT_TRUE(WriteLogRecord(kVisitor, kServer, "", "GET /one HTTP/1.1\r\n\r\n"));
    ASSERT_TRUE(WriteLogRecord(kVisitor, kServer, kLogBlockedUnknown, "BREW /pot HTTP/1.1\r\n\r\n"));
    EXPECT_EQ(MaskTimes(ReadFile(home.path() / "Docs" / "vireolog.txt")),
              "Time: *\r\nAddr: 203.0.113.9:51234\r\nGET /one HTTP/1.1\r\n" + kSeparator +
                  "Time: *\r\nAddr: 203.0.113.9:51234\r\nBREW /pot HTTP/1.1\r\n\r\n"
                  "*** Auto Block Unknown Request.\r\n" +
                  kSeparator);
    EXPECT_EQ(ReadLogbook(), ReadFile(home.path() / "Docs" / "vireolog.txt"));
    EXPECT_FALSE(fs::exists(LogFile()));
}

TEST_F(LogbookTest, LogSelfOffSkipsOnlyThisComputer)
{
    ASSERT_TRUE(SetLogSelf(false));
    EXPECT_FALSE(WriteLogRecord(kLoopback, {{127, 0, 0, 1}, 80}, "", "GET /self HTTP/1.1\r\n\r\n"));
    EXPECT_FALSE(WriteLogRecord({{192, 0, 2, 1}, 1234}, kServer, "", "GET /own-address HTTP/1.1\r\n\r\n"));
    EXPECT_TRUE(WriteLogRecord(kVisitor, kServer, "", "GET /visitor HTTP/1.1\r\n\r\n"));
    ASSERT_TRUE(SetLogSelf(true));
    EXPECT_TRUE(WriteLogRecord(kLoopback, {{127, 0, 0, 1}, 80}, "", "GET /self-again HTTP/1.1\r\n\r\n"));

    const std::string log = ReadFile(LogFile());
    EXPECT_EQ(log.find("/self "), std::string::npos);
    EXPECT_EQ(log.find("/own-address"), std::string::npos);
    EXPECT_NE(log.find("/visitor"), std::string::npos);
    EXPECT_NE(log.find("/self-again"), std::string::npos);
}

TEST_F(LogbookTest, ResetEmptiesTheFileAndTheNextRecordStartsIt)
{
    ASSERT_TRUE(WriteLogRecord(kVisitor, kServer, "", "GET /old HTTP/1.1\r\n\r\n"));
    ASSERT_TRUE(ResetLogbook());
    EXPECT_EQ(ReadLogbook(), "");
    ASSERT_TRUE(WriteLogRecord(kVisitor, kServer, "", "GET /new HTTP/1.1\r\n\r\n"));
    EXPECT_EQ(MaskTimes(ReadFile(LogFile())),
              "Time: *\r\nAddr: 203.0.113.9:51234\r\nGET /new HTTP/1.1\r\n" + kSeparator);
}

TEST_F(LogbookTest, ResetCreatesAMissingFileAndReadingOneGivesNothing)
{
    EXPECT_EQ(ReadLogbook(), std::nullopt);
    ASSERT_TRUE(ResetLogbook());
    EXPECT_EQ(ReadLogbook(), "");
}

TEST_F(LogbookTest, ARemovedFileIsCreatedAgain)
{
    ASSERT_TRUE(WriteLogRecord(kVisitor, kServer, "", "GET /first HTTP/1.1\r\n\r\n"));
    fs::remove(LogFile());
    ASSERT_TRUE(WriteLogRecord(kVisitor, kServer, "", "GET /second HTTP/1.1\r\n\r\n"));
    const std::string log = ReadFile(LogFile());
    EXPECT_EQ(log.find("/first"), std::string::npos);
    EXPECT_NE(log.find("/second"), std::string::npos);
}

TEST_F(LogbookTest, EachHomeGetsItsOwnFile)
{
    ASSERT_TRUE(WriteLogRecord(kVisitor, kServer, "", "GET /first-home HTTP/1.1\r\n\r\n"));
    const fs::path first = LogFile();
    TestHome second;
    ASSERT_TRUE(SetEnableLog(true));
    ASSERT_TRUE(WriteLogRecord(kVisitor, kServer, "", "GET /second-home HTTP/1.1\r\n\r\n"));
    EXPECT_EQ(ReadFile(first).find("/second-home"), std::string::npos);
    EXPECT_NE(ReadFile(second.path() / "vireolog.txt").find("/second-home"), std::string::npos);
}

// Three finished records and an unfinished one, as the file holds them after a crash.
std::string SampleLog()
{
    const std::tm time = SampleTime();
    return FormatLogRecord(time, kVisitor, "GET /apple HTTP/1.1\r\nX: apple\r\n\r\n", "") +
           FormatLogRecord(time, kVisitor, "GET /pear HTTP/1.1\r\n\r\n", "") +
           FormatLogRecord(time, kLoopback, "", kLogDisconnected) + "Time: 2024-03-05 07:08:10\r\nGET /plum";
}

TEST(ListRecordsTest, ListsEachRecordOncePerOccurrence)
{
    const std::string log = SampleLog();
    const std::tm time = SampleTime();
    const std::string apple = FormatLogRecord(time, kVisitor, "GET /apple HTTP/1.1\r\nX: apple\r\n\r\n", "");
    const std::string pear = FormatLogRecord(time, kVisitor, "GET /pear HTTP/1.1\r\n\r\n", "");
    const std::string disconnect = FormatLogRecord(time, kLoopback, "", kLogDisconnected);
    struct Case {
        std::string_view text;
        std::string listed;
    };
    const Case cases[] = {
        {"apple", apple + apple},
        {"pear", pear},
        {"PEAR", ""},
        {"203.0.113.9", apple + pear},
        {"HTTP/1.1", apple + pear},
        {"Disconnected", disconnect},
        {"plum", ""},
        {"07:08", apple + pear + disconnect},
        {"missing", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ListRecords(log, c.text), c.listed) << c.text;
    }
}

TEST(ListRecordsTest, ARecordStartsAfterTheLastEqualsLineEndAndItsBlankLines)
{
    const std::string log = "preamble\r\n=\r\n\r\n\n" + std::string("GET /x\r\n") + kSeparator;
    EXPECT_EQ(ListRecords(log, "/x"), "GET /x\r\n" + kSeparator);
    EXPECT_EQ(ListRecords(log, "preamble"), log);
}

}  // namespace
}  // namespace vireo::testing
