// Picmill's runs against stand-in programs: what it is given, what it says, and stopping it.
#include "ui/thumbnail_run.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "support/files.h"
#include "support/test_home.h"
#include "ui/qt_test_suite.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

class ThumbnailRunTest : public QtTestSuite {
protected:
    // A shell script standing in for picmill.
    QString Program(std::string_view script)
    {
        const fs::path path = home.path() / "bin" / "picmill";
        WriteFile(path, "#!/bin/sh\n" + std::string(script));
        fs::permissions(path, fs::perms::owner_all);
        return QString::fromStdString(path.string());
    }

    TestHome home;
    int ends = 0;
};

TEST_F(ThumbnailRunTest, GivesTheFolderAndTheSubfolderChoiceAndShowsTheLastLine)
{
    const QString program = Program("echo \"first\"\necho \"<b>$1</b> $2\"\necho\n");
    for (bool subfolders : {true, false}) {
        ThumbnailRun run(nullptr, program, "/srv/my photos", subfolders, [this] { ++ends; });
        run.Start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return run.ended(); }, 10000));
        EXPECT_EQ(run.lastLine(), subfolders ? "<b>/srv/my photos</b> 1" : "<b>/srv/my photos</b> 0");
        EXPECT_FALSE(run.running());
    }
    EXPECT_EQ(ends, 2);
}

TEST_F(ThumbnailRunTest, AProgramThatCannotStartJustEnds)
{
    ThumbnailRun run(nullptr, QString::fromStdString((home.path() / "missing").string()), "/srv", false,
                     [this] { ++ends; });
    run.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return run.ended(); }, 10000));
    EXPECT_EQ(ends, 1);
}

TEST_F(ThumbnailRunTest, CancelStopsEvenAProgramThatIgnoresTheRequest)
{
    ThumbnailRun run(nullptr, Program("echo started\ntrap '' TERM\nexec sleep 60\n"), "/srv", false,
                     [this] { ++ends; });
    run.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return run.lastLine() == "started"; }, 10000));
    QElapsedTimer clock;
    clock.start();
    run.progressDialog()->findChild<QPushButton*>()->click();  // the progress window's Cancel
    ASSERT_TRUE(QTest::qWaitFor([&] { return run.ended(); }, 10000));
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_FALSE(run.running());
    EXPECT_EQ(ends, 1);
}

}  // namespace
}  // namespace vireo::testing
