// The folder dialog against the real settings store, with picmill (the built one or a stand-in).
#include "ui/folder_property_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "settings/settings.h"
#include "settings/settings_folders.h"
#include "support/files.h"
#include "support/test_home.h"
#include "ui/qt_test_suite.h"
#include "ui/thumbnail_run.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

// The six values of a folder, to compare and print.
auto Values(const FolderSettings& folder)
{
    return std::tuple(folder.path, folder.description, folder.can_browse_subfolders, folder.can_post_files,
                      folder.visible, folder.zip_download);
}

std::vector<std::string> FolderNames()
{
    std::vector<std::string> names;
    while (std::optional<std::string> name = EnumFolderName(static_cast<int>(names.size())))
        names.push_back(*name);
    return names;
}

class FolderPropertyDialogTest : public QtTestSuite {
protected:
    void SetUp() override
    {
        fs::create_directories(photos);
        ASSERT_TRUE(WriteFolder("Music", {"/srv/music", "Songs", true, false, true, false}));
    }

    // Opens the dialog with the test standing in for the user's answers.
    std::unique_ptr<FolderPropertyDialog> Open(std::string editing)
    {
        auto dialog = std::make_unique<FolderPropertyDialog>(nullptr, std::move(editing));
        dialog->setInform([this](QWidget*, const QString& message) { said << message; });
        dialog->setFolderChooser([this](QWidget*, const QString& start) {
            starts << start;
            return answer;
        });
        QObject::connect(dialog.get(), &QDialog::finished, [this](int result) { closed_as = result; });
        return dialog;
    }
    static void Type(QLineEdit* box, const QString& text)
    {
        box->clear();
        QTest::keyClicks(box, text);
    }

    TestHome home;
    fs::path photos = home.path() / "photos";
    QStringList said;
    QStringList starts;
    QString answer;
    std::optional<int> closed_as;
};

TEST_F(FolderPropertyDialogTest, EditingShowsTheFolderAndARenameLeavesOneEntry)
{
    auto dialog = Open("Music");
    EXPECT_EQ(dialog->locationBox()->text(), "/srv/music");
    EXPECT_EQ(dialog->nameBox()->text(), "Music");
    EXPECT_EQ(dialog->descriptionBox()->text(), "Songs");
    EXPECT_TRUE(dialog->subfoldersBox()->isChecked());
    EXPECT_FALSE(dialog->postFilesBox()->isChecked());
    EXPECT_TRUE(dialog->visibleBox()->isChecked());
    EXPECT_FALSE(dialog->zipBox()->isChecked());
    EXPECT_TRUE(dialog->okButton()->isEnabled());

    Type(dialog->nameBox(), "  Songs \t");
    Type(dialog->locationBox(), photos.c_str());
    Type(dialog->descriptionBox(), " New songs ");
    dialog->subfoldersBox()->setChecked(false);
    dialog->postFilesBox()->setChecked(true);
    dialog->visibleBox()->setChecked(false);
    dialog->zipBox()->setChecked(true);
    ASSERT_TRUE(dialog->okButton()->isEnabled());
    dialog->accept();
    EXPECT_EQ(closed_as, QDialog::Accepted);
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"Songs"});
    EXPECT_EQ(Values(ReadFolder("Songs")), Values({photos.string(), "New songs", false, true, false, true}));
}

TEST_F(FolderPropertyDialogTest, OkNeedsALocationAndAFreeAcceptableName)
{
    auto dialog = Open("");
    EXPECT_FALSE(dialog->okButton()->isEnabled());
    EXPECT_TRUE(dialog->visibleBox()->isChecked());  // a new folder is listed
    Type(dialog->nameBox(), "pictures");
    EXPECT_FALSE(dialog->okButton()->isEnabled());  // no location yet
    Type(dialog->locationBox(), " \t ");
    EXPECT_FALSE(dialog->okButton()->isEnabled());
    Type(dialog->locationBox(), photos.c_str());
    EXPECT_TRUE(dialog->okButton()->isEnabled());
    for (const char* refused :
         {"webchat", "WebChat", "GUESTBOOK", "what?", "a/b", "..", "music", " MUSIC "}) {
        Type(dialog->nameBox(), refused);
        EXPECT_FALSE(dialog->okButton()->isEnabled()) << refused;
    }
    Type(dialog->nameBox(), "a=b");
    ASSERT_TRUE(dialog->okButton()->isEnabled());
    dialog->accept();
    EXPECT_EQ(FolderNames(), (std::vector<std::string>{"a=b", "Music"}));

    // Its own name, in any letter case, is free for the folder being edited.
    auto again = Open("Music");
    Type(again->nameBox(), "MUSIC");
    EXPECT_TRUE(again->okButton()->isEnabled());
    Type(again->nameBox(), "A=B");
    EXPECT_FALSE(again->okButton()->isEnabled());
}

TEST_F(FolderPropertyDialogTest, LongNamesAndDescriptionsAreCut)
{
    auto dialog = Open("");
    Type(dialog->locationBox(), photos.c_str());
    Type(dialog->nameBox(), QString(60, 'n'));
    EXPECT_EQ(dialog->nameBox()->text().size(), 48);
    Type(dialog->descriptionBox(), QString(90, 'd'));
    EXPECT_EQ(dialog->descriptionBox()->text().size(), 80);
    ASSERT_TRUE(dialog->okButton()->isEnabled());
    dialog->accept();
    EXPECT_EQ(FolderNames(), (std::vector<std::string>{"Music", std::string(47, 'n')}));
    EXPECT_EQ(ReadFolder(std::string(47, 'n')).description, std::string(79, 'd'));
}

TEST_F(FolderPropertyDialogTest, CancelStoresNothing)
{
    auto dialog = Open("Music");
    Type(dialog->nameBox(), "Other");
    Type(dialog->descriptionBox(), "changed");
    dialog->zipBox()->setChecked(true);
    dialog->reject();
    EXPECT_EQ(closed_as, QDialog::Rejected);
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"Music"});
    EXPECT_EQ(Values(ReadFolder("Music")), Values({"/srv/music", "Songs", true, false, true, false}));
}

TEST_F(FolderPropertyDialogTest, BrowsingFillsTheLocationAndAnEmptyName)
{
    ASSERT_TRUE(SetLastFolder("/srv/shared/old"));
    auto dialog = Open("");
    answer = QString::fromStdString(photos.string());
    dialog->browseButton()->click();
    EXPECT_EQ(starts, QStringList{"/srv/shared"});  // beside the folder chosen last
    EXPECT_EQ(dialog->locationBox()->text(), answer);
    EXPECT_EQ(dialog->nameBox()->text(), "photos");
    EXPECT_EQ(dialog->nameBox()->selectedText(), "photos");
    EXPECT_EQ(GetLastFolder(), photos.string());

    // With a location typed the chooser begins there, and a typed name stays.
    Type(dialog->nameBox(), "Holiday");
    answer = "/srv/other";
    dialog->browseButton()->click();
    EXPECT_EQ(starts.last(), QString::fromStdString(photos.string()));
    EXPECT_EQ(dialog->locationBox()->text(), "/srv/other");
    EXPECT_EQ(dialog->nameBox()->text(), "Holiday");
    EXPECT_FALSE(closed_as);
}

TEST_F(FolderPropertyDialogTest, GivingUpTheChooserOnAnEmptyNewFolderGivesUpTheDialog)
{
    auto editing = Open("Music");
    Type(editing->locationBox(), "");
    Type(editing->nameBox(), "");
    editing->browseButton()->click();  // answer is empty: the chooser was cancelled
    EXPECT_FALSE(closed_as);

    auto named = Open("");
    Type(named->nameBox(), "x");
    named->browseButton()->click();
    EXPECT_FALSE(closed_as);

    auto adding = Open("");
    adding->browseButton()->click();
    EXPECT_EQ(closed_as, QDialog::Rejected);
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"Music"});
}

TEST_F(FolderPropertyDialogTest, ThumbnailsNeedPicmillBesideTheProgram)
{
    auto dialog = Open("Music");
    dialog->setProgramFolder(QString::fromStdString(home.path().string()));
    dialog->thumbnailsBox()->setChecked(true);
    EXPECT_FALSE(dialog->thumbnailsBox()->isChecked());
    EXPECT_EQ(said, QStringList{"Picmill can not be found."});

    said.clear();
    dialog->setProgramFolder(QString::fromStdString(fs::path(PICMILL_BINARY).parent_path().string()));
    dialog->thumbnailsBox()->setChecked(true);
    EXPECT_TRUE(dialog->thumbnailsBox()->isChecked());
    EXPECT_TRUE(said.isEmpty());
}

TEST_F(FolderPropertyDialogTest, OkRunsPicmillOnTheFolderAndClosesWhenItEnds)
{
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    ASSERT_TRUE(picture.save(QString::fromStdString((photos / "green.png").string())));
    picture.fill(Qt::yellow);
    ASSERT_TRUE(picture.save(QString::fromStdString((photos / "yellow.png").string())));

    auto dialog = Open("");
    dialog->setProgramFolder(QString::fromStdString(fs::path(PICMILL_BINARY).parent_path().string()));
    Type(dialog->locationBox(), photos.c_str());
    Type(dialog->nameBox(), "Photos");
    dialog->thumbnailsBox()->setChecked(true);
    dialog->accept();
    EXPECT_EQ(ReadFolder("Photos").path, photos.string());  // stored before picmill runs
    ASSERT_TRUE(QTest::qWaitFor([&] { return closed_as.has_value(); }, 30000));
    EXPECT_EQ(closed_as, QDialog::Accepted);
    EXPECT_TRUE(fs::is_regular_file(photos / "ruvededa.$$$"));
    EXPECT_TRUE(dialog->thumbnailRun()->lastLine().startsWith("Wrote 2 thumbnails to "))
        << dialog->thumbnailRun()->lastLine().toStdString();
}

TEST_F(FolderPropertyDialogTest, CancelDuringALongRunStopsPicmill)
{
    const fs::path stand_in = home.path() / "bin" / "picmill";
    WriteFile(stand_in, "#!/bin/sh\necho \"milling $1 $2\"\nexec sleep 60\n");
    fs::permissions(stand_in, fs::perms::owner_all);
    auto dialog = Open("Music");
    dialog->setProgramFolder(QString::fromStdString(stand_in.parent_path().string()));
    dialog->thumbnailsBox()->setChecked(true);
    dialog->accept();
    ThumbnailRun* run = dialog->thumbnailRun();
    ASSERT_TRUE(run);
    EXPECT_FALSE(dialog->okButton()->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return run->lastLine() == "milling /srv/music 1"; }, 10000));
    dialog->reject();  // Escape while picmill runs stops it first
    EXPECT_FALSE(closed_as);
    ASSERT_TRUE(QTest::qWaitFor([&] { return closed_as.has_value(); }, 10000));
    EXPECT_FALSE(run->running());
    EXPECT_EQ(closed_as, QDialog::Accepted);  // the folder was stored all the same
}

// Not a check: with VIREO_SCREENSHOTS=folder set, saves the dialog for a person to look at.
TEST_F(FolderPropertyDialogTest, Screenshot)
{
    const char* folder = std::getenv("VIREO_SCREENSHOTS");
    if (!folder) GTEST_SKIP() << "VIREO_SCREENSHOTS is not set";
    ASSERT_TRUE(WriteFolder("Photos", {"/home/alice/Pictures", "Holiday pictures", true, false, true, true}));
    auto dialog = Open("Photos");
    dialog->show();
    QTest::qWait(200);
    EXPECT_TRUE(dialog->grab().save(QString("%1/folder-property.png").arg(folder)));
}

}  // namespace
}  // namespace vireo::testing
