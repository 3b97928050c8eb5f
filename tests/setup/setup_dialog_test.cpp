// The "Vireo Setup" dialog: the mode it opens in, which controls it enables, and what OK does,
// installing from the payload the build gathered for vireo-setup.
#include "setup/setup_dialog.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "platform/instance_lock.h"
#include "platform/registry.h"
#include "support/files.h"
#include "support/test_home.h"
#include "ui/qt_test_suite.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;
using setup::Outcome;

const QString kPayload = QStringLiteral(VIREO_SETUP_PAYLOAD);

QString Text(const fs::path& path)
{
    return QString::fromStdString(path.string());
}

class SetupDialogTest : public QtTestSuite {
protected:
    setup::SetupPrompts Prompts()
    {
        setup::SetupPrompts prompts;
        prompts.inform = [this](QWidget*, const QString& message) { told.push_back(message.toStdString()); };
        prompts.confirm = [this](QWidget*, const QString& question) {
            asked.push_back(question.toStdString());
            return answer;
        };
        prompts.choose_folder = [this](QWidget*, const QString& start) {
            browse_start = start;
            return chosen;
        };
        return prompts;
    }
    // An installation recorded in `folder`, its server program a file or (`as_folder`) a folder.
    void Record(const fs::path& folder, bool as_folder = false)
    {
        if (as_folder)
            fs::create_directories(folder / "vireo");
        else
            WriteFile(folder / "vireo", "server");
        ASSERT_TRUE(WriteStringValue(RegistryRoot::LocalMachine, "SOFTWARE\\QUILLMARK\\Vireo",
                                     "Installed Folder", folder.string()));
    }
    fs::path DefaultFolder() const { return home.path() / ".local/opt/quillmark/vireo"; }

    TestHome home;
    std::vector<std::string> told;
    std::vector<std::string> asked;
    bool answer = true;
    QString chosen;
    QString browse_start;
};

TEST_F(SetupDialogTest, WithoutAnInstallationOffersOnlyANewOneInTheDefaultFolder)
{
    setup::SetupDialog dialog(kPayload, Prompts());
    EXPECT_EQ(dialog.windowTitle(), "Vireo Setup");
    EXPECT_EQ(dialog.newInstallButton()->text(), "New Install");
    EXPECT_EQ(dialog.upgradeButton()->text(), "Re-install / Upgrade");
    EXPECT_EQ(dialog.removeButton()->text(), "Remove Vireo from your computer.");
    EXPECT_TRUE(dialog.newInstallButton()->isChecked());
    EXPECT_TRUE(dialog.newInstallButton()->isEnabled());
    EXPECT_FALSE(dialog.upgradeButton()->isEnabled());
    EXPECT_FALSE(dialog.removeButton()->isEnabled());
    EXPECT_EQ(dialog.folderBox()->text(), Text(DefaultFolder()));
    EXPECT_TRUE(dialog.folderBox()->isEnabled());
    EXPECT_TRUE(dialog.browseButton()->isEnabled());
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    // No folder, nothing to install into.
    dialog.folderBox()->clear();
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    QTest::keyClicks(dialog.folderBox(), "/x");
    EXPECT_TRUE(dialog.okButton()->isEnabled());
}

TEST_F(SetupDialogTest, WithAnInstallationOffersUpgradeAndRemoval)
{
    const fs::path folder = home.path() / "apps/vireo";
    Record(folder);
    setup::SetupDialog dialog(kPayload, Prompts());
    EXPECT_TRUE(dialog.upgradeButton()->isChecked());
    EXPECT_FALSE(dialog.newInstallButton()->isEnabled());
    EXPECT_TRUE(dialog.upgradeButton()->isEnabled());
    EXPECT_TRUE(dialog.removeButton()->isEnabled());
    EXPECT_EQ(dialog.folderBox()->text(), Text(folder));
    EXPECT_FALSE(dialog.folderBox()->isEnabled());
    EXPECT_FALSE(dialog.browseButton()->isEnabled());
    dialog.removeButton()->click();
    EXPECT_TRUE(dialog.removeButton()->isChecked());
    EXPECT_FALSE(dialog.folderBox()->isEnabled());
    EXPECT_TRUE(dialog.okButton()->isEnabled());
}

TEST_F(SetupDialogTest, ARecordWithoutTheServerFileOpensForANewInstall)
{
    Record(home.path() / "apps/vireo", true);
    setup::SetupDialog dialog(kPayload, Prompts());
    EXPECT_TRUE(dialog.newInstallButton()->isChecked());
    EXPECT_FALSE(dialog.upgradeButton()->isEnabled());
    EXPECT_FALSE(dialog.removeButton()->isEnabled());
    EXPECT_EQ(dialog.folderBox()->text(), Text(DefaultFolder()));
}

TEST_F(SetupDialogTest, TheChosenFolderReplacesTheTextAsItIs)
{
    setup::SetupDialog dialog(kPayload, Prompts());
    fs::create_directories(home.path() / ".local");
    chosen = Text(home.path() / "Programs");
    dialog.browseButton()->click();
    EXPECT_EQ(browse_start, Text(home.path() / ".local"));  // the nearest folder that exists
    EXPECT_EQ(dialog.folderBox()->text(), chosen);
    chosen.clear();  // cancelled
    dialog.browseButton()->click();
    EXPECT_EQ(dialog.folderBox()->text(), Text(home.path() / "Programs"));
}

TEST_F(SetupDialogTest, OkInstallsIntoTheTypedFolderAndCloses)
{
    setup::SetupDialog dialog(kPayload, Prompts());
    int finished = 0;
    QObject::connect(&dialog, &QDialog::finished, [&finished] { ++finished; });
    dialog.folderBox()->setText(Text(home.path()) + "//Vireo//");
    dialog.okButton()->click();
    ASSERT_EQ(told, std::vector<std::string>{setup::OutcomeMessage(Outcome::Installed)});
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(setup::FindInstallation(), home.path() / "Vireo");
    EXPECT_EQ(ReadFile(home.path() / "Vireo/vireo"), ReadFile(fs::path(VIREO_SETUP_PAYLOAD) / "vireo"));
}

TEST_F(SetupDialogTest, AFolderThatCannotBeMadeKeepsTheDialogOpen)
{
    WriteFile(home.path() / "plain", "a file, not a folder");
    setup::SetupDialog dialog(kPayload, Prompts());
    int finished = 0;
    QObject::connect(&dialog, &QDialog::finished, [&finished] { ++finished; });
    dialog.folderBox()->setText(Text(home.path() / "plain/vireo"));
    dialog.okButton()->click();
    EXPECT_EQ(told, std::vector<std::string>{"Can not create folder."});
    EXPECT_EQ(finished, 0);
}

TEST_F(SetupDialogTest, RemovalAsksFirstAndANoKeepsEverything)
{
    const fs::path folder = home.path() / "apps/vireo";
    Record(folder);
    setup::SetupDialog dialog(kPayload, Prompts());
    dialog.removeButton()->click();
    answer = false;
    dialog.okButton()->click();
    EXPECT_EQ(asked, std::vector<std::string>{"Are you sure you want to remove Vireo from your computer?"});
    EXPECT_TRUE(told.empty());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(fs::exists(folder / "vireo"));

    setup::SetupDialog again(kPayload, Prompts());
    again.removeButton()->click();
    answer = true;
    again.okButton()->click();
    EXPECT_EQ(told, std::vector<std::string>{"Vireo has been removed."});
    EXPECT_EQ(again.result(), QDialog::Accepted);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_FALSE(KeyExists(RegistryRoot::LocalMachine, "SOFTWARE\\QUILLMARK\\Vireo"));
}

TEST_F(SetupDialogTest, ARunningVireoStopsOkBeforeAnyQuestion)
{
    const fs::path folder = home.path() / "apps/vireo";
    Record(folder);
    const std::expected<UniqueFd, InstanceHolder> server = TakeInstanceLock(InstanceKind::Headless);
    ASSERT_TRUE(server.has_value());
    setup::SetupDialog dialog(kPayload, Prompts());
    int finished = 0;
    QObject::connect(&dialog, &QDialog::finished, [&finished] { ++finished; });
    dialog.removeButton()->click();
    dialog.okButton()->click();
    dialog.upgradeButton()->click();
    dialog.okButton()->click();
    const std::string running = setup::OutcomeMessage(Outcome::InstanceRunning);
    EXPECT_EQ(told, (std::vector<std::string>{running, running}));
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(ReadFile(folder / "vireo"), "server");
}

// Not a check: with VIREO_SCREENSHOTS=folder set, saves the dialog for a person to look at.
TEST_F(SetupDialogTest, Screenshot)
{
    const char* folder = std::getenv("VIREO_SCREENSHOTS");
    if (!folder) GTEST_SKIP() << "VIREO_SCREENSHOTS is not set";
    setup::SetupDialog dialog(kPayload, Prompts());
    dialog.folderBox()->setText("/home/alice/.local/opt/quillmark/vireo");
    dialog.show();
    QTest::qWait(200);
    EXPECT_TRUE(dialog.grab().save(QString("%1/vireo-setup.png").arg(folder)));
}

}  // namespace
}  // namespace vireo::testing
