// The dynamic file dialog against the real settings store.
#include "ui/dynamic_file_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <tuple>

#include "settings/dynamic_files.h"
#include "support/test_home.h"
#include "ui/qt_test_suite.h"

namespace vireo::testing {
namespace {

// Every stored dynamic file with its four values, to compare and print.
auto StoredFiles()
{
    std::vector<std::tuple<std::string, std::string, std::string, bool, bool>> files;
    while (auto entry = EnumDynamicFile(static_cast<int>(files.size()))) {
        const DynamicFile& file = entry->second;
        files.emplace_back(entry->first, file.path, file.pattern, file.real_time, file.use_newest);
    }
    return files;
}

class DynamicFileDialogTest : public QtTestSuite {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetDynamicFile("report.txt", {"/srv/docs/report.txt", "", false, false}));
        ASSERT_TRUE(SetDynamicFile("notes", {"/srv/docs/notes", "", false, false}));
    }
    static void Type(QLineEdit* box, const QString& text)
    {
        box->clear();
        QTest::keyClicks(box, text);
    }

    TestHome home;
};

TEST_F(DynamicFileDialogTest, OpensWithTheFileAndThePatternOfItsType)
{
    DynamicFilePropertyDialog dialog(nullptr, "report.txt");
    EXPECT_EQ(dialog.nameBox()->text(), "report.txt");
    EXPECT_EQ(dialog.pathBox()->text(), "/srv/docs/report.txt");
    EXPECT_FALSE(dialog.realTimeBox()->isChecked());
    EXPECT_FALSE(dialog.newestBox()->isChecked());
    EXPECT_EQ(dialog.patternBox()->text(), "*.txt");
    EXPECT_FALSE(dialog.patternBox()->isEnabled());
    dialog.newestBox()->setChecked(true);
    EXPECT_TRUE(dialog.patternBox()->isEnabled());
    EXPECT_TRUE(dialog.okButton()->isEnabled());

    ASSERT_TRUE(SetDynamicFile("log", {"/var/log/app.d/current", "app-*.log", true, true}));
    DynamicFilePropertyDialog stored(nullptr, "log");
    EXPECT_EQ(stored.patternBox()->text(), "app-*.log");
    EXPECT_TRUE(stored.patternBox()->isEnabled());
    DynamicFilePropertyDialog untyped(nullptr, "notes");
    EXPECT_EQ(untyped.patternBox()->text(), "*.");  // matches no name: the file itself is served
}

TEST_F(DynamicFileDialogTest, ARenameLeavesOneEntryWithTheNewValues)
{
    DynamicFilePropertyDialog dialog(nullptr, "report.txt");
    Type(dialog.nameBox(), " Latest ");
    Type(dialog.pathBox(), "/srv/logs/today.log ");
    dialog.realTimeBox()->setChecked(true);
    dialog.newestBox()->setChecked(true);
    Type(dialog.patternBox(), " *.log\t");
    ASSERT_TRUE(dialog.okButton()->isEnabled());
    dialog.accept();
    using Files = decltype(StoredFiles());
    EXPECT_EQ(StoredFiles(), (Files{{"Latest", "/srv/logs/today.log", "*.log", true, true},
                                    {"notes", "/srv/docs/notes", "", false, false}}));

    // A new letter case is a rename too.
    DynamicFilePropertyDialog again(nullptr, "latest");
    Type(again.nameBox(), "LATEST");
    again.accept();
    EXPECT_EQ(StoredFiles(), (Files{{"LATEST", "/srv/logs/today.log", "*.log", true, true},
                                    {"notes", "/srv/docs/notes", "", false, false}}));
}

TEST_F(DynamicFileDialogTest, OkNeedsAReachableFreeNameAndAPath)
{
    DynamicFilePropertyDialog dialog(nullptr, "report.txt");
    for (const char* refused : {"", "webchat", "Extension", "a/b", "..", "NOTES"}) {
        Type(dialog.nameBox(), refused);
        EXPECT_FALSE(dialog.okButton()->isEnabled()) << refused;
    }
    Type(dialog.nameBox(), "REPORT.TXT");
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    Type(dialog.pathBox(), "  ");
    EXPECT_FALSE(dialog.okButton()->isEnabled());
}

TEST_F(DynamicFileDialogTest, CancelStoresNothing)
{
    const auto before = StoredFiles();
    DynamicFilePropertyDialog dialog(nullptr, "report.txt");
    Type(dialog.nameBox(), "other");
    dialog.realTimeBox()->setChecked(true);
    dialog.reject();
    EXPECT_EQ(StoredFiles(), before);
}

// Not a check: with VIREO_SCREENSHOTS=folder set, saves the dialog for a person to look at.
TEST_F(DynamicFileDialogTest, Screenshot)
{
    const char* folder = std::getenv("VIREO_SCREENSHOTS");
    if (!folder) GTEST_SKIP() << "VIREO_SCREENSHOTS is not set";
    ASSERT_TRUE(SetDynamicFile("camera.jpg", {"/home/alice/Webcam/shot-0001.jpg", "shot-*.jpg", true, true}));
    DynamicFilePropertyDialog dialog(nullptr, "camera.jpg");
    dialog.show();
    QTest::qWait(200);
    EXPECT_TRUE(dialog.grab().save(QString("%1/dynamic-file-property.png").arg(folder)));
}

}  // namespace
}  // namespace vireo::testing
