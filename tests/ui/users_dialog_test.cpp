// The password accounts' dialogs against the real settings store.
#include "ui/users_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <cstdlib>

#include "settings/settings.h"
#include "support/test_home.h"
#include "ui/dialog_answers.h"
#include "ui/qt_test_suite.h"
#include "ui/row_selection.h"
#include "ui/user_dialog.h"

namespace vireo::testing {
namespace {

class UsersDialogTest : public QtTestSuite {
protected:
    static std::vector<std::string> StoredNamesAndPasswords()
    {
        std::vector<std::string> accounts;
        for (int index = 0; std::optional<UserAccount> account = EnumUser(index); ++index)
            accounts.push_back(account->name + "=" + account->password);
        return accounts;
    }
    static QString Shown(const QTableWidget* list)
    {
        QStringList rows;
        for (int row = 0; row < list->rowCount(); ++row)
            rows << list->item(row, 0)->text() + "=" + list->item(row, 1)->text();
        return rows.join(",");
    }

    TestHome home;
};

TEST_F(UsersDialogTest, AccountNeedsThreeCharacterNameAndSixCharacterPassword)
{
    UserDialog ask(nullptr, {});
    EXPECT_FALSE(ask.okButton()->isEnabled());
    QTest::keyClicks(ask.nameBox(), "  al ");
    QTest::keyClicks(ask.passwordBox(), "secret");
    EXPECT_FALSE(ask.okButton()->isEnabled());  // two characters once trimmed
    QTest::keyClicks(ask.nameBox(), "i");
    EXPECT_TRUE(ask.okButton()->isEnabled());
    ask.passwordBox()->setText(" 12345\t");
    EXPECT_FALSE(ask.okButton()->isEnabled());
    ask.passwordBox()->setText("123456");
    EXPECT_TRUE(ask.okButton()->isEnabled());
    ask.nameBox()->setText("al:ice");  // Basic authentication would split it
    EXPECT_FALSE(ask.okButton()->isEnabled());
    ask.nameBox()->setText(QString(300, 'n'));
    EXPECT_EQ(ask.nameBox()->text().size(), 250);
    EXPECT_TRUE(ask.okButton()->isEnabled());
    ask.nameBox()->setText(" alice ");
    EXPECT_EQ(ask.account().name, "alice");
    EXPECT_EQ(ask.account().password, "123456");

    UserDialog edit(nullptr, {"bob", "hunter2"});
    EXPECT_EQ(edit.nameBox()->text(), "bob");
    EXPECT_EQ(edit.passwordBox()->text(), "hunter2");
    EXPECT_TRUE(edit.okButton()->isEnabled());
}

TEST_F(UsersDialogTest, RowsAreInNameOrderAndEditNeedsExactlyOneSelectedRow)
{
    const UserAccount stored[] = {{"carol", "carol-pw"}, {"Bob", "bob-pw"}, {"alice", "alice-pw"}};
    ASSERT_TRUE(ReplaceUsers(stored));
    UsersDialog dialog(nullptr);
    QTableWidget* list = dialog.userList();
    EXPECT_EQ(Shown(list), "alice=alice-pw,Bob=bob-pw,carol=carol-pw");
    ExpectEditAndRemoveFollowTheSelection(list, dialog.editButton(), dialog.removeButton());
    dialog.removeButton()->click();
    EXPECT_EQ(Shown(list), "Bob=bob-pw");
    EXPECT_FALSE(dialog.removeButton()->isEnabled());
}

TEST_F(UsersDialogTest, OkReplacesTheAccountsAndStoresTheSwitch)
{
    const UserAccount stored[] = {{"alice", "alice-pw"}, {"bob", "bob-pw"}};
    ASSERT_TRUE(ReplaceUsers(stored));
    ASSERT_TRUE(SetUsePasswords(false));
    UsersDialog dialog(nullptr);
    EXPECT_FALSE(dialog.enableBox()->isChecked());
    AnswerNextDialog<UserDialog>([](UserDialog& ask) {
        QTest::keyClicks(ask.nameBox(), "dave");
        QTest::keyClicks(ask.passwordBox(), "dave-pw");
        ask.okButton()->click();
    });
    dialog.addButton()->click();
    // A name listed already, in another letter case, takes that row rather than making a second.
    dialog.AddAccount({"ALICE", "new-alice-pw"});
    // Renaming bob to an existing name merges the two rows.
    SelectRows(dialog.userList(), {1});
    AnswerNextDialog<UserDialog>([](UserDialog& ask) {
        EXPECT_EQ(ask.nameBox()->text(), "bob");
        ask.nameBox()->setText("Dave");
        ask.okButton()->click();
    });
    dialog.editButton()->click();
    EXPECT_EQ(Shown(dialog.userList()), "ALICE=new-alice-pw,Dave=bob-pw");
    dialog.enableBox()->setChecked(true);
    dialog.accept();
    EXPECT_EQ(StoredNamesAndPasswords(), (std::vector<std::string>{"ALICE=new-alice-pw", "Dave=bob-pw"}));
    EXPECT_TRUE(GetUsePasswords());
    EXPECT_TRUE(CheckUserPassword("dave", "bob-pw"));
}

TEST_F(UsersDialogTest, CancelStoresNothing)
{
    const UserAccount stored[] = {{"alice", "alice-pw"}};
    ASSERT_TRUE(ReplaceUsers(stored));
    UsersDialog dialog(nullptr);
    dialog.AddAccount({"erin", "erin-pw"});
    SelectRows(dialog.userList(), {0});
    dialog.RemoveSelected();
    dialog.enableBox()->setChecked(true);
    dialog.reject();
    EXPECT_EQ(StoredNamesAndPasswords(), std::vector<std::string>{"alice=alice-pw"});
    EXPECT_FALSE(GetUsePasswords());
}

// Not a check: with VIREO_SCREENSHOTS=folder set, saves both dialogs for a person to look at.
TEST_F(UsersDialogTest, Screenshot)
{
    const char* folder = std::getenv("VIREO_SCREENSHOTS");
    if (!folder) GTEST_SKIP() << "VIREO_SCREENSHOTS is not set";
    const UserAccount stored[] = {{"alice", "wonderland"}, {"bob", "builder42"}, {"carol", "christmas"}};
    ASSERT_TRUE(ReplaceUsers(stored));
    ASSERT_TRUE(SetUsePasswords(true));
    UsersDialog dialog(nullptr);
    dialog.userList()->selectRow(1);
    dialog.show();
    UserDialog ask(nullptr, {"bob", "builder42"});
    ask.show();
    QTest::qWait(200);
    EXPECT_TRUE(dialog.grab().save(QString("%1/users-and-passwords.png").arg(folder)));
    EXPECT_TRUE(ask.grab().save(QString("%1/user-and-password.png").arg(folder)));
}

}  // namespace
}  // namespace vireo::testing
