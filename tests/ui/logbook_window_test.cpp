// The logbook window over a real log file in a private documents folder.
#include "ui/logbook_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <cstdlib>

#include "settings/settings.h"
#include "site/logbook.h"
#include "support/test_home.h"
#include "ui/qt_test_suite.h"

namespace vireo::testing {
namespace {

class LogbookWindowTest : public QtTestSuite {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetEnableLog(true));
        ASSERT_TRUE(SetLogSelf(true));
    }
    static void Record(std::string_view request)
    {
        ASSERT_TRUE(WriteLogRecord({{10, 0, 0, 7}, 5000}, {{10, 0, 0, 1}, 80}, {}, request));
    }

    TestHome home;
    std::vector<QString> asked;
    bool answer = true;
    LogbookWindow window{nullptr, [this](QWidget*, const QString& question) {
                             asked.push_back(question);
                             return answer;
                         }};
};

TEST_F(LogbookWindowTest, ShowsTheRecordsAndThoseThatHoldAText)
{
    Record("GET /first HTTP/1.1\r\n\r\n");
    Record("GET /second <b>bold</b> HTTP/1.1\r\n\r\n");
    // Opening shows the log a moment later.
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.shown().contains("/second"); }, 5000));
    EXPECT_TRUE(window.shown().contains("GET /first"));
    EXPECT_TRUE(window.shown().contains("<b>bold</b>"));  // as text, as it came

    window.ListRecordsWith("/second");
    EXPECT_FALSE(window.shown().contains("/first"));
    EXPECT_TRUE(window.shown().contains("GET /second"));
    EXPECT_TRUE(window.shown().endsWith(QString(60, '=') + "\n"));
    window.ListRecordsWith("nowhere");
    EXPECT_EQ(window.shown(), "");
}

TEST_F(LogbookWindowTest, ResetAsksOnlyWhenThereIsSomethingToClear)
{
    Record("GET /x HTTP/1.1\r\n\r\n");
    window.Refresh();
    answer = false;
    window.Reset();
    EXPECT_EQ(asked, (std::vector<QString>{"Clear the contents of the logbook?"}));
    EXPECT_TRUE(window.shown().contains("GET /x"));
    EXPECT_FALSE(ReadLogbook().value_or("").empty());

    answer = true;
    window.Reset();
    EXPECT_EQ(window.shown(), "");
    EXPECT_EQ(ReadLogbook().value_or("x"), "");
    window.Reset();  // already empty: no question
    EXPECT_EQ(asked.size(), 2u);
}

TEST_F(LogbookWindowTest, SearchTextNeedsThreeCharactersAfterTrimming)
{
    EnterTextDialog ask;
    auto* edit = ask.findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    EXPECT_FALSE(ask.CanAccept());
    QTest::keyClicks(edit, "  ab  ");
    EXPECT_FALSE(ask.CanAccept());
    QTest::keyClicks(edit, "c");
    EXPECT_TRUE(ask.CanAccept());
    EXPECT_EQ(ask.text(), "ab  c");
    edit->setText(QString(300, 'x'));
    EXPECT_EQ(edit->text().size(), 254);
}

// Not a check: with VIREO_SCREENSHOTS=folder set, saves the window for a person to look at.
TEST_F(LogbookWindowTest, Screenshot)
{
    const char* folder = std::getenv("VIREO_SCREENSHOTS");
    if (!folder) GTEST_SKIP() << "VIREO_SCREENSHOTS is not set";
    Record("GET /Photos/ HTTP/1.1\r\nHost: 192.168.1.20:8080\r\nUser-Agent: Mozilla/5.0\r\n\r\n");
    Record("GET /Photos/beach.jpg HTTP/1.1\r\nHost: 192.168.1.20:8080\r\nRange: bytes=0-\r\n\r\n");
    window.Refresh();
    window.show();
    QTest::qWait(200);
    EXPECT_TRUE(window.grab().save(QString("%1/logbook.png").arg(folder)));
}

}  // namespace
}  // namespace vireo::testing
