// The chat room's dialogs against the real room and the real settings store.
#include "ui/chat_dialogs.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>

#include "community/chat/chat_room.h"
#include "settings/address_list.h"
#include "settings/settings.h"
#include "support/test_home.h"
#include "ui/qt_test_suite.h"

namespace vireo::testing {
namespace {

class ChatDialogsTest : public QtTestSuite {
protected:
    void TearDown() override { SiteChatRoom().StopAndWait(); }

    // A member the room takes for one on another computer; the test holds the far end.
    void Join(std::uint32_t id, std::string_view name, const Ipv4Address& address)
    {
        int ends[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends), 0);
        far_ends.emplace_back(ends[1]);
        auto socket = std::make_unique<StreamSocket>();
        socket->Attach(ends[0]);
        SiteChatRoom().PostJoin({id, std::move(socket), address, false});
        SiteChatRoom().PostSpeech({id, "All", "!name=" + std::string(name)});
    }
    // Waits until the member has taken the name.
    static bool NamedAs(std::uint32_t id, std::string_view name)
    {
        return QTest::qWaitFor(
            [&] {
                const std::optional<ChatMember> member = SiteChatRoom().FindMember(id);
                return member && member->name == name;
            },
            5000);
    }
    static bool MembersAre(std::size_t count)
    {
        return QTest::qWaitFor([&] { return SiteChatRoom().Members().size() == count; }, 5000);
    }

    TestHome home;
    std::vector<UniqueFd> far_ends;
};

TEST_F(ChatDialogsTest, StartTakesTwoTo999Members)
{
    StartChatDialog ask(nullptr, nullptr);
    EXPECT_EQ(ask.membersBox()->text(), "16");
    EXPECT_TRUE(ask.okButton()->isEnabled());
    for (const char* typed : {"", "1", "0", "x", "-5"}) {
        ask.membersBox()->setText(typed);
        EXPECT_FALSE(ask.okButton()->isEnabled()) << typed;
    }
    ask.membersBox()->setText("1000");
    EXPECT_EQ(ask.membersBox()->text(), "100");  // three characters at most
    ask.membersBox()->setText("2");
    ASSERT_TRUE(ask.okButton()->isEnabled());
    ask.accept();
    EXPECT_EQ(GetChatRoomMaxMember(), 2u);
    ASSERT_TRUE(SiteChatRoom().IsRunning());
    Join(1, "One", {192, 0, 2, 1});
    Join(2, "Two", {192, 0, 2, 2});
    ASSERT_TRUE(MembersAre(2));
    EXPECT_FALSE(SiteChatRoom().HasFreeSlot());
}

TEST_F(ChatDialogsTest, ManagementListsDisconnectsAndBlocks)
{
    ASSERT_TRUE(SetWebChatWelcomeMsg("Hello"));
    ASSERT_TRUE(SiteChatRoom().Start(nullptr, 8));
    Join(300, "carol", {192, 0, 2, 30});
    Join(20, "Bob", {192, 0, 2, 2});
    Join(1000, "alice", {192, 0, 2, 100});
    ASSERT_TRUE(NamedAs(1000, "alice"));

    ChatManagementDialog manage(nullptr);
    EXPECT_EQ(manage.welcomeBox()->toPlainText(), "Hello");
    QTreeWidget* list = manage.memberList();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    auto column = [&](int index) {
        QStringList shown;
        for (int i = 0; i < list->topLevelItemCount(); ++i) shown << list->topLevelItem(i)->text(index);
        return shown.join(",");
    };
    EXPECT_EQ(column(0), "20,300,1000");  // by id, as numbers
    manage.SortBy(1);
    EXPECT_EQ(column(1), "alice,Bob,carol");
    manage.SortBy(2);
    EXPECT_EQ(column(2), "192.0.2.100,192.0.2.2,192.0.2.30");

    // Nothing selected: nothing to do.
    for (const QPushButton* button : manage.findChildren<QPushButton*>()) {
        if (button->text() != "Close") {
            EXPECT_FALSE(button->isEnabled()) << button->text().toStdString();
        }
    }
    list->setCurrentItem(list->topLevelItem(1));  // Bob, by address
    manage.EvictSelected(true);
    EXPECT_TRUE(manage.busy());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !manage.busy(); }, 5000));
    EXPECT_EQ(list->topLevelItemCount(), 2);
    EXPECT_FALSE(SiteChatRoom().FindMember(20));
    EXPECT_EQ(GetAutoBlockList(), (AddressList{{192, 0, 2, 2}}));

    list->setCurrentItem(list->topLevelItem(0));
    manage.EvictSelected(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !manage.busy(); }, 5000));
    EXPECT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(GetAutoBlockList().size(), 1u);
}

TEST_F(ChatDialogsTest, ClosingStoresTheWelcomeAndTheSwitch)
{
    ChatManagementDialog manage(nullptr);
    EXPECT_EQ(manage.memberList()->topLevelItemCount(), 0);  // the room is closed
    manage.welcomeBox()->setPlainText("  Welcome, all <3  \n");
    manage.autoStartBox()->setChecked(true);
    manage.done(QDialog::Rejected);  // the close box stores too
    EXPECT_EQ(GetWebChatWelcomeMsg(), "Welcome, all <3");
    EXPECT_TRUE(GetAutoStartChatRoom());
    ChatManagementDialog again(nullptr);
    again.welcomeBox()->setPlainText(QString(300, 'w'));
    again.done(QDialog::Accepted);
    EXPECT_EQ(GetWebChatWelcomeMsg().value_or("").size(), 255u);
}

// Not a check: with VIREO_SCREENSHOTS=folder set, saves both dialogs for a person to look at.
TEST_F(ChatDialogsTest, Screenshot)
{
    const char* folder = std::getenv("VIREO_SCREENSHOTS");
    if (!folder) GTEST_SKIP() << "VIREO_SCREENSHOTS is not set";
    ASSERT_TRUE(SetWebChatWelcomeMsg("Welcome! Be kind, and say hello."));
    ASSERT_TRUE(SiteChatRoom().Start(nullptr, 16));
    Join(3051477404, "Alice", {192, 168, 1, 33});
    Join(1855854195, "Bob", {192, 168, 1, 41});
    ASSERT_TRUE(NamedAs(1855854195, "Bob"));
    ChatManagementDialog manage(nullptr);
    manage.memberList()->setCurrentItem(manage.memberList()->topLevelItem(0));
    manage.show();
    StartChatDialog ask(nullptr, nullptr);
    ask.show();
    QTest::qWait(200);
    EXPECT_TRUE(manage.grab().save(QString("%1/webchat-management.png").arg(folder)));
    EXPECT_TRUE(ask.grab().save(QString("%1/start-webchat.png").arg(folder)));
}

}  // namespace
}  // namespace vireo::testing
