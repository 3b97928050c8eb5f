// The member's community dialogs (As Web Community Member, Add/Update Host) against the real
// settings store and the real login thread.
#include "ui/community_member_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <atomic>
#include <cstdlib>

#include "community/web_community/community_store.h"
#include "community/web_community/login_thread.h"
#include "community/web_community/member_login.h"
#include "settings/dynamic_files.h"
#include "settings/settings.h"
#include "settings/settings_folders.h"
#include "support/test_home.h"
#include "ui/dialog_answers.h"
#include "ui/host_dialog.h"
#include "ui/qt_test_suite.h"

namespace vireo::testing {
namespace {

// The entries of a drop-down list, joined by "|".
std::string Entries(const QComboBox* list)
{
    QStringList entries;
    for (int index = 0; index < list->count(); ++index) entries << list->itemText(index);
    return entries.join('|').toStdString();
}

class CommunityMemberDialogTest : public QtTestSuite {
protected:
    void SetUp() override
    {
        FolderSettings photos;
        photos.path = home.path().string();
        ASSERT_TRUE(WriteFolder("photos", photos));
        for (const char* name : {"logo.png", "notes.txt", "Badge.gif"}) {
            DynamicFile file;
            file.path = (home.path() / name).string();
            ASSERT_TRUE(SetDynamicFile(name, file));
        }
        walkers.id = "me-at-walkers";
        walkers.site_name = "My Site";
        walkers.page_path = "PHOTOS/";
        walkers.icon = "logo.png";
        walkers.description = "Hills";
        walkers.login_url = "http://10.0.0.1/WebCommunity/login";
        walkers.host_name = "Walkers";
        walkers.host_page = "http://10.0.0.1//WebCommunity/";
        walkers.host_description = "Up & down";
        walkers.last_login = {2026, 1, 4, 2, 3, 4, 5, 6};
        ASSERT_TRUE(WriteHost(walkers));
    }

    TestHome home;
    DesktopLog desktop;
    CommunityHost walkers;
};

TEST_F(CommunityMemberDialogTest, AddModeStartsWithTheTestCommunityAndTakesAFreeId)
{
    HostDialog ask(nullptr);
    EXPECT_EQ(ask.idBox()->text(), "guest");
    EXPECT_EQ(ask.loginUrlBox()->text(), "http://quillmark.example/WebCommunity/login");
    EXPECT_TRUE(ask.okButton()->isEnabled());
    EXPECT_EQ(Entries(ask.pageBox()),
              "[Root]|[photos]|[Webchat]|[WebCommunity]|Badge.gif|logo.png|notes.txt");
    EXPECT_EQ(ask.pageBox()->currentText(), "[Root]");
    EXPECT_EQ(Entries(ask.iconBox()), "|Badge.gif|logo.png");
    EXPECT_EQ(ask.iconBox()->currentText(), "");

    struct Case {
        QString id;
        QString url;
        bool ok;
    };
    for (const Case& c : {Case{"x", "http://a.b/c", false}, Case{" xy ", "http://a.b/c", true},
                          Case{"xy", " http://a.b/ ", false}, Case{"ME-AT-WALKERS", "http://a.b/c", false},
                          Case{"xy", "", false}}) {
        ask.idBox()->setText(c.id);
        ask.loginUrlBox()->setText(c.url);
        EXPECT_EQ(ask.okButton()->isEnabled(), c.ok) << c.id.toStdString() << " " << c.url.toStdString();
    }
    ask.idBox()->setText(" xy\t");
    ask.loginUrlBox()->setText("  http://10.0.0.9:81/login ");
    ask.nameBox()->setText(" Me ");
    ask.pageBox()->setCurrentText("[WebCommunity]");
    ask.iconBox()->setCurrentText("Badge.gif");
    ask.descriptionBox()->setText(QString(300, 'd'));
    ask.accept();
    EXPECT_EQ(ask.host().id, "xy");
    EXPECT_EQ(ask.host().login_url, "http://10.0.0.9:81/login");
    EXPECT_EQ(ask.host().site_name, "Me");
    EXPECT_EQ(ask.host().page_path, "WebCommunity/");
    EXPECT_EQ(ask.host().icon, "Badge.gif");
    EXPECT_EQ(ask.host().description, std::string(255, 'd'));
    EXPECT_EQ(ListHosts().size(), 1u);  // the list dialog stores it
}

TEST_F(CommunityMemberDialogTest, UpdateModeShowsTheRecordAndKeepsWhatTheHostSent)
{
    CommunityHost other;
    other.id = "other";
    other.login_url = "http://10.0.0.2/login";
    ASSERT_TRUE(WriteHost(other));
    HostDialog ask(nullptr, walkers);
    EXPECT_EQ(ask.idBox()->text(), "me-at-walkers");
    EXPECT_EQ(ask.pageBox()->currentText(), "[photos]");
    EXPECT_EQ(ask.iconBox()->currentText(), "logo.png");
    EXPECT_EQ(ask.descriptionBox()->text(), "Hills");
    ask.idBox()->setText("OTHER");
    EXPECT_FALSE(ask.okButton()->isEnabled());  // another record's ID
    ask.idBox()->setText("ME-at-walkers");
    EXPECT_TRUE(ask.okButton()->isEnabled());
    ask.pageBox()->setCurrentText("[Root]");
    ask.accept();
    EXPECT_EQ(ask.host().page_path, "");
    EXPECT_EQ(ask.host().host_name, "Walkers");
    EXPECT_EQ(ask.host().last_login, walkers.last_login);
}

TEST_F(CommunityMemberDialogTest, RecordsAddedEditedAndRemovedLandInTheStore)
{
    CommunityMemberDialog dialog(nullptr, LoggingDesktop(desktop), nullptr);
    QTableWidget* list = dialog.hostList();
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(list->item(0, 4)->text(), "2026-01-02 03:04:05");
    EXPECT_EQ(list->item(0, 7)->text(), "Up & down");
    EXPECT_FALSE(dialog.editButton()->isEnabled());

    AnswerNextDialog<HostDialog>([](HostDialog& ask) { ask.okButton()->click(); });
    dialog.addButton()->click();
    ASSERT_TRUE(FindHost("guest"));
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_TRUE(list->item(1, 0)->isSelected());
    EXPECT_EQ(list->selectionModel()->selectedRows().size(), 1);

    // An edit that changes the ID leaves one record, under the new ID, with what the host sent.
    list->selectRow(0);
    ASSERT_TRUE(dialog.editButton()->isEnabled());
    AnswerNextDialog<HostDialog>([](HostDialog& ask) {
        ask.idBox()->setText(" renamed ");
        ask.nameBox()->setText("New Name");
        ask.okButton()->click();
    });
    dialog.editButton()->click();
    EXPECT_FALSE(FindHost("me-at-walkers"));
    std::optional<CommunityHost> renamed = FindHost("renamed");
    ASSERT_TRUE(renamed);
    EXPECT_EQ(renamed->site_name, "New Name");
    EXPECT_EQ(renamed->host_name, "Walkers");
    EXPECT_EQ(ListHosts().size(), 2u);
    EXPECT_EQ(list->item(0, 0)->text(), "renamed");
    EXPECT_EQ(list->item(0, 1)->text(), "New Name");

    // A login that read the record before the edit leaves the edit alone.
    LoginOutcome outcome;
    outcome.accepted = true;
    outcome.text = "From before";
    EXPECT_EQ(StoreLoginOutcome(walkers, outcome), RecordUpdate::Missing);
    EXPECT_EQ(FindHost("renamed")->host_description, "Up & down");

    // Cancel changes nothing.
    AnswerNextDialog<HostDialog>([](HostDialog& ask) {
        ask.idBox()->setText("changed");
        ask.reject();
    });
    dialog.editButton()->click();
    EXPECT_FALSE(FindHost("changed"));
    EXPECT_EQ(list->item(0, 0)->text(), "renamed");

    list->selectAll();
    EXPECT_FALSE(dialog.editButton()->isEnabled());
    dialog.removeButton()->click();
    EXPECT_EQ(desktop.questions, (std::vector<QString>{"Remove selected items?"}));
    EXPECT_TRUE(ListHosts().empty());
    EXPECT_EQ(list->rowCount(), 0);
}

TEST_F(CommunityMemberDialogTest, TheSwitchIsStoredAtOnceAndOpenTakesTheHostPage)
{
    CommunityMemberDialog dialog(nullptr, LoggingDesktop(desktop), nullptr);
    dialog.enableBox()->click();
    EXPECT_TRUE(GetAsWebCommMember());
    EXPECT_FALSE(dialog.openButton()->isEnabled());
    dialog.hostList()->selectRow(0);
    ASSERT_TRUE(dialog.openButton()->isEnabled());
    dialog.openButton()->click();
    EXPECT_EQ(desktop.opened, (std::vector<QString>{"http://10.0.0.1//WebCommunity/"}));
}

TEST_F(CommunityMemberDialogTest, ClosingWakesTheLoginThread)
{
    ASSERT_TRUE(SetAsWebCommMember(true));
    // Each pass asks for the site's address first; the server "does not run", so nothing is sent.
    std::atomic<int> passes{0};
    CommunityLoginThread logins([&]() -> std::optional<Ipv4Endpoint> {
        ++passes;
        return std::nullopt;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return passes == 1; }, 5000));
    {
        CommunityMemberDialog dialog(nullptr, LoggingDesktop(desktop), [&] { logins.Wake(); });
        QTest::qWait(100);
        EXPECT_EQ(passes, 1);
        dialog.closeButton()->click();
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_TRUE(QTest::qWaitFor([&] { return passes == 2; }, 5000));
    }
    CommunityMemberDialog again(nullptr, LoggingDesktop(desktop), [&] { logins.Wake(); });
    again.reject();  // Escape or the window's close box
    EXPECT_TRUE(QTest::qWaitFor([&] { return passes == 3; }, 5000));
}

// Not a check: with VIREO_SCREENSHOTS=folder set, saves the dialogs for a person to look at.
TEST_F(CommunityMemberDialogTest, Screenshot)
{
    const char* folder = std::getenv("VIREO_SCREENSHOTS");
    if (!folder) GTEST_SKIP() << "VIREO_SCREENSHOTS is not set";
    ASSERT_TRUE(SetAsWebCommMember(true));
    CommunityHost failing = walkers;
    failing.id = "river-7";
    failing.login_url = "http://192.168.1.20:8080/WebCommunity/login";
    failing.host_name.clear();
    failing.host_page.clear();
    failing.host_description = "Can not connect to 192.168.1.20";
    ASSERT_TRUE(WriteHost(failing));
    CommunityMemberDialog dialog(nullptr, LoggingDesktop(desktop), nullptr);
    dialog.hostList()->selectRow(0);
    dialog.show();
    HostDialog ask(nullptr, walkers);
    ask.show();
    QTest::qWait(200);
    EXPECT_TRUE(dialog.grab().save(QString("%1/as-community-member.png").arg(folder)));
    EXPECT_TRUE(ask.grab().save(QString("%1/community-host-record.png").arg(folder)));
}

}  // namespace
}  // namespace vireo::testing
