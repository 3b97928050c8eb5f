// "Guestbook" against the real settings store and message files written as the server writes them.
#include "ui/guestbook_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "base/io.h"
#include "community/guestbook/message_file.h"
#include "settings/guestbook_folder.h"
#include "settings/settings.h"
#include "support/files.h"
#include "support/test_home.h"
#include "ui/qt_test_suite.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

class GuestbookDialogTest : public QtTestSuite {
protected:
    void SetUp() override
    {
        const std::optional<std::string> resolved = GetGuestbookFolder(true);
        ASSERT_TRUE(resolved);
        folder = *resolved;
    }
    // Stores a message from `sender` as a post does, written at `when` (seconds since 1970); its
    // file name.
    std::string Leave(const Ipv4Address& sender, std::string_view text, std::time_t when)
    {
        std::optional<UniqueFd> file = CreateMessageFile(folder.string(), sender);
        EXPECT_TRUE(file && WriteAll(file->get(), text.data(), text.size()));
        file.reset();  // closed, as the server leaves it
        // The writer takes the plain name first, then "(2)", "(3)" ...
        const std::string name = MessageFileName(sender, ++sent[sender]);
        EXPECT_TRUE(SetWriteTime(folder / name, when));
        return name;
    }
    static QString Column(const QTreeWidget* list, int column)
    {
        QStringList shown;
        for (int i = 0; i < list->topLevelItemCount(); ++i) shown << list->topLevelItem(i)->text(column);
        return shown.join(",");
    }
    // Answers the question the next modal box asks with `button`; the question asked.
    static void Answer(QString& question, QMessageBox::StandardButton button)
    {
        QTimer::singleShot(0, [&question, button] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                question = box->windowTitle() + ": " + box->text();
                box->button(button)->click();
            }
        });
    }

    TestHome home;
    fs::path folder;
    std::map<Ipv4Address, int> sent;
    QStringList opened;
    std::function<void(const QString&)> open = [this](const QString& path) { opened << path; };
};

TEST_F(GuestbookDialogTest, ListsMessagesNewestFirst)
{
    Leave({192, 0, 2, 7}, "First!", 1700000000);
    Leave({192, 0, 2, 7}, "Line one\r\nline two <b>not bold</b>", 1700000300);
    Leave({198, 51, 100, 1}, std::string(300, 'm'), 1700000100);
    WriteFile(folder / "notes.md", "not a message");
    fs::create_directories(folder / "old.txt");

    GuestbookDialog dialog(nullptr, open);
    EXPECT_EQ(dialog.folderBox()->text().toStdString(), folder.string());
    const QTreeWidget* list = dialog.messageList();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(Column(list, 0), "192.0.2.7(2),198.51.100.1,192.0.2.7");
    EXPECT_EQ(list->topLevelItem(0)->text(2), "Line one  line two <b>not bold</b>");
    EXPECT_EQ(list->topLevelItem(1)->text(2), QString(255, 'm'));
    std::tm local{};
    const std::time_t first = 1700000000;
    localtime_r(&first, &local);
    char expected[32];
    std::strftime(expected, sizeof expected, "%Y-%m-%d %H:%M:%S", &local);
    EXPECT_EQ(list->topLevelItem(2)->text(1), expected);
}

TEST_F(GuestbookDialogTest, ReadsAndDeletesTheSelectedMessages)
{
    const std::string older = Leave({192, 0, 2, 7}, "older", 1700000000);
    const std::string newer = Leave({192, 0, 2, 8}, "newer", 1700000100);
    const std::string newest = Leave({192, 0, 2, 9}, "newest", 1700000200);
    GuestbookDialog dialog(nullptr, open);
    QTreeWidget* list = dialog.messageList();
    EXPECT_FALSE(dialog.readButton()->isEnabled());
    EXPECT_FALSE(dialog.deleteButton()->isEnabled());
    list->topLevelItem(1)->setSelected(true);
    ASSERT_TRUE(dialog.readButton()->isEnabled());
    dialog.readButton()->click();
    EXPECT_EQ(opened, QStringList{QString::fromStdString((folder / newer).string())});

    list->topLevelItem(2)->setSelected(true);
    QString question;
    Answer(question, QMessageBox::No);
    dialog.deleteButton()->click();
    EXPECT_EQ(question, "Guestbook: Delete selected messages?");
    EXPECT_EQ(list->topLevelItemCount(), 3);
    EXPECT_TRUE(fs::exists(folder / older));

    Answer(question, QMessageBox::Yes);
    dialog.deleteButton()->click();
    EXPECT_EQ(Column(list, 0), "192.0.2.9");
    EXPECT_FALSE(fs::exists(folder / older));
    EXPECT_FALSE(fs::exists(folder / newer));
    EXPECT_TRUE(fs::exists(folder / newest));
    EXPECT_FALSE(dialog.deleteButton()->isEnabled());
}

TEST_F(GuestbookDialogTest, OkStoresTheSwitchesAndTheFolder)
{
    const std::optional<std::string> before = GetGuestbookDir();
    GuestbookDialog dialog(nullptr, open);
    EXPECT_FALSE(dialog.enableBox()->isChecked());
    EXPECT_FALSE(dialog.alarmBox()->isChecked());
    dialog.enableBox()->setChecked(true);
    dialog.alarmBox()->setChecked(true);
    const fs::path chosen = home.path() / "messages";
    dialog.folderBox()->setText(QString::fromStdString("  " + chosen.string() + "\t"));
    dialog.explorerButton()->click();
    EXPECT_EQ(opened, QStringList{QString::fromStdString(chosen.string())});
    dialog.reject();
    EXPECT_FALSE(GetEnableGuestbook());
    EXPECT_EQ(GetGuestbookDir(), before);

    dialog.accept();
    EXPECT_TRUE(GetEnableGuestbook());
    EXPECT_TRUE(GetGuestbookAlarm());
    EXPECT_EQ(GetGuestbookDir(), chosen.string());
}

// Not a check: with VIREO_SCREENSHOTS=folder set, saves the dialog for a person to look at.
TEST_F(GuestbookDialogTest, Screenshot)
{
    const char* shots = std::getenv("VIREO_SCREENSHOTS");
    if (!shots) GTEST_SKIP() << "VIREO_SCREENSHOTS is not set";
    ASSERT_TRUE(SetEnableGuestbook(true));
    Leave({192, 168, 1, 41}, "Lovely pictures of the lake, thank you for sharing!", 1700000000);
    Leave({203, 0, 113, 9}, "Could you add the recipe for the plum cake?", 1700050000);
    Leave({192, 168, 1, 41}, "Me again: the zip download works fine now.", 1700090000);
    GuestbookDialog dialog(nullptr, open);
    dialog.messageList()->topLevelItem(0)->setSelected(true);
    dialog.show();
    QTest::qWait(200);
    EXPECT_TRUE(dialog.grab().save(QString("%1/guestbook.png").arg(shots)));
}

}  // namespace
}  // namespace vireo::testing
