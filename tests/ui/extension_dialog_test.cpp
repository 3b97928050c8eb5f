// The extension dialog against the real settings store.
#include "ui/extension_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "settings/extension_settings.h"
#include "support/files.h"
#include "support/test_home.h"
#include "ui/qt_test_suite.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

class ExtensionDialogTest : public QtTestSuite {
protected:
    void SetUp() override { fs::create_directories(programs); }

    TestHome home;
    fs::path programs = home.path() / "programs";
};

TEST_F(ExtensionDialogTest, EnabledIsStoredOnlyForAnExistingFolder)
{
    const QString missing = QString::fromStdString((home.path() / "missing").string());
    ExtensionDialog dialog(nullptr);
    EXPECT_EQ(dialog.folderBox()->text(), "");
    EXPECT_FALSE(dialog.enabledBox()->isChecked());
    QTest::keyClicks(dialog.folderBox(), " " + missing + " ");
    dialog.enabledBox()->setChecked(true);
    dialog.accept();
    EXPECT_EQ(GetStoredExtensionFolder(), missing.toStdString());
    EXPECT_FALSE(GetStoredExtensionEnabled());

    WriteFile(home.path() / "plain", "not a folder");
    ExtensionDialog file(nullptr);
    file.folderBox()->setText(QString::fromStdString((home.path() / "plain").string()));
    file.enabledBox()->setChecked(true);
    file.accept();
    EXPECT_FALSE(GetStoredExtensionEnabled());

    ExtensionDialog folder(nullptr);
    folder.folderBox()->setText(QString::fromStdString(programs.string()));
    folder.enabledBox()->setChecked(true);
    folder.accept();
    EXPECT_EQ(GetStoredExtensionFolder(), programs.string());
    EXPECT_TRUE(GetStoredExtensionEnabled());
    EXPECT_EQ(GetExtensionFolder(), programs.string());

    ExtensionDialog reopened(nullptr);
    EXPECT_EQ(reopened.folderBox()->text(), QString::fromStdString(programs.string()));
    EXPECT_TRUE(reopened.enabledBox()->isChecked());
    reopened.enabledBox()->setChecked(false);
    reopened.accept();
    EXPECT_FALSE(GetStoredExtensionEnabled());
}

TEST_F(ExtensionDialogTest, BrowsingBeginsAtTheTypedFolderAndCancelStoresNothing)
{
    ExtensionDialog dialog(nullptr);
    QString started;
    QString answer = QString::fromStdString(programs.string());
    dialog.setFolderChooser([&](QWidget*, const QString& start) {
        started = start;
        return answer;
    });
    dialog.folderBox()->setText(" /srv ");
    dialog.browseButton()->click();
    EXPECT_EQ(started, "/srv");
    EXPECT_EQ(dialog.folderBox()->text(), answer);
    answer.clear();  // the chooser cancelled: the folder stays
    dialog.browseButton()->click();
    EXPECT_EQ(dialog.folderBox()->text(), QString::fromStdString(programs.string()));
    dialog.enabledBox()->setChecked(true);
    dialog.reject();
    EXPECT_FALSE(GetStoredExtensionFolder());
    EXPECT_FALSE(GetStoredExtensionEnabled());
}

// Not a check: with VIREO_SCREENSHOTS=folder set, saves the dialog for a person to look at.
TEST_F(ExtensionDialogTest, Screenshot)
{
    const char* folder = std::getenv("VIREO_SCREENSHOTS");
    if (!folder) GTEST_SKIP() << "VIREO_SCREENSHOTS is not set";
    ASSERT_TRUE(SetExtensionFolder("/home/alice/Site Programs"));
    ExtensionDialog dialog(nullptr);
    dialog.show();
    QTest::qWait(200);
    EXPECT_TRUE(dialog.grab().save(QString("%1/extension.png").arg(folder)));
}

}  // namespace
}  // namespace vireo::testing
