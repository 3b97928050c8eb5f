// "Home Page" against the real settings store: the lists it offers, what it selects on opening and
// what OK stores.
#include "ui/home_page_dialog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <cstdlib>

#include "settings/dynamic_files.h"
#include "settings/extension_settings.h"
#include "settings/settings.h"
#include "support/files.h"
#include "support/test_home.h"
#include "ui/qt_test_suite.h"

namespace vireo::testing {
namespace {

class HomePageDialogTest : public QtTestSuite {
protected:
    static QString Names(const QListWidget* list)
    {
        QStringList names;
        for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
        return names.join(",");
    }
    static QString Selected(const QListWidget* list)
    {
        return list->selectedItems().isEmpty() ? QString() : list->selectedItems().front()->text();
    }
    // Publishes pages and other files under their own names.
    void Publish()
    {
        for (const char* name : {"Page.HTML", "notes.txt", "old.htm", "page.xhtml.bak"})
            ASSERT_TRUE(AddDynamicFile((home.path() / "site" / name).string()));
    }
    // An extension folder with programs, files that are not programs, and a folder.
    void MakeExtensions(bool enabled)
    {
        const std::filesystem::path folder = home.path() / "programs";
        for (const char* name : {"hello.js", "Report.PY", "notes.txt", "tool", "plain"})
            WriteFile(folder / name, "x");
        ::chmod((folder / "tool").c_str(), 0755);
        std::filesystem::create_directories(folder / "lib.js");
        ASSERT_TRUE(SetExtensionFolder(folder.string()));
        ASSERT_TRUE(SetExtensionEnabled(enabled));
    }

    TestHome home;
};

TEST_F(HomePageDialogTest, GeneratedPageWithItsTitleAndIntroduction)
{
    HomePageDialog dialog(nullptr);
    EXPECT_TRUE(dialog.generatedChoice()->isChecked());
    EXPECT_EQ(dialog.titleBox()->text(), "Welcome to My Website!");
    EXPECT_TRUE(dialog.introBox()->toPlainText().isEmpty());
    EXPECT_FALSE(dialog.htmlList()->isEnabled());
    dialog.titleBox()->setText(QString(90, 't'));
    EXPECT_EQ(dialog.titleBox()->text().size(), 80);  // the box takes 80 characters
    dialog.introBox()->setPlainText("\n  <b>My</b> pictures \r\n");
    dialog.reject();
    EXPECT_EQ(GetMainPageTitle(), "Welcome to My Website!");

    dialog.accept();
    EXPECT_EQ(GetMainPageTitle(), std::string(79, 't'));  // the first 79 are used
    EXPECT_EQ(GetSiteIntro(), "<b>My</b> pictures");
    EXPECT_EQ(GetHomePageType(), HomePageType::Generated);
}

TEST_F(HomePageDialogTest, HtmlChoiceWithoutAFileStoresTheGeneratedPage)
{
    Publish();
    ASSERT_TRUE(SetHomePageType(2));
    HomePageDialog dialog(nullptr);
    EXPECT_EQ(Names(dialog.htmlList()), "old.htm,Page.HTML");  // pages only, any letter case
    EXPECT_TRUE(dialog.extensionChoice()->isChecked());
    dialog.htmlChoice()->setChecked(true);
    EXPECT_TRUE(dialog.htmlList()->isEnabled());
    EXPECT_FALSE(dialog.extensionList()->isEnabled());
    dialog.accept();
    EXPECT_EQ(GetHomePageType(), HomePageType::Generated);
}

TEST_F(HomePageDialogTest, StoredHtmlFileIsSelectedByNameInAnyCase)
{
    Publish();
    ASSERT_TRUE(SetHomePageType(1));
    ASSERT_TRUE(SetHomePageFile("page.html"));
    HomePageDialog dialog(nullptr);
    EXPECT_TRUE(dialog.htmlChoice()->isChecked());
    EXPECT_EQ(Selected(dialog.htmlList()), "Page.HTML");
    dialog.accept();
    EXPECT_EQ(GetHomePageType(), HomePageType::HtmlFile);
    EXPECT_EQ(GetHomePageFile(), "Page.HTML");

    HomePageDialog again(nullptr);
    again.htmlList()->setCurrentItem(again.htmlList()->findItems("old.htm", Qt::MatchExactly).front());
    again.accept();
    EXPECT_EQ(GetHomePageFile(), "old.htm");
}

TEST_F(HomePageDialogTest, ExtensionProgramsOnlyWhileExtensionsAreOn)
{
    MakeExtensions(false);
    HomePageDialog off(nullptr);
    EXPECT_EQ(off.extensionList()->count(), 0);

    MakeExtensions(true);
    ASSERT_TRUE(SetHomePageType(2));
    ASSERT_TRUE(SetHomePageFile("HELLO.JS"));
    HomePageDialog dialog(nullptr);
    EXPECT_EQ(Names(dialog.extensionList()), "hello.js,Report.PY,tool");  // what the server would run
    EXPECT_EQ(Selected(dialog.extensionList()), "hello.js");
    dialog.extensionList()->setCurrentRow(2);
    dialog.accept();
    EXPECT_EQ(GetHomePageType(), HomePageType::ExtensionFile);
    EXPECT_EQ(GetHomePageFile(), "tool");
}

// Not a check: with VIREO_SCREENSHOTS=folder set, saves the dialog for a person to look at.
TEST_F(HomePageDialogTest, Screenshot)
{
    const char* folder = std::getenv("VIREO_SCREENSHOTS");
    if (!folder) GTEST_SKIP() << "VIREO_SCREENSHOTS is not set";
    Publish();
    MakeExtensions(true);
    ASSERT_TRUE(SetSiteIntro("Holiday pictures and the family's recipes."));
    ASSERT_TRUE(SetHomePageType(1));
    ASSERT_TRUE(SetHomePageFile("Page.HTML"));
    HomePageDialog dialog(nullptr);
    dialog.show();
    QTest::qWait(200);
    EXPECT_TRUE(dialog.grab().save(QString("%1/home-page.png").arg(folder)));
}

}  // namespace
}  // namespace vireo::testing
