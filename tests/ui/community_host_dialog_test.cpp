// The host's community dialogs (As Web Community Host, Add Member) against the real settings store.
#include "ui/community_host_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <cstdlib>

#include "community/web_community/community_store.h"
#include "settings/settings.h"
#include "support/test_home.h"
#include "ui/add_member_dialog.h"
#include "ui/dialog_answers.h"
#include "ui/qt_test_suite.h"

namespace vireo::testing {
namespace {

// A column's texts, top to bottom, joined by "|".
std::string Column(const QTableWidget* list, int column)
{
    QStringList shown;
    for (int row = 0; row < list->rowCount(); ++row) shown << list->item(row, column)->text();
    return shown.join('|').toStdString();
}

class CommunityHostDialogTest : public QtTestSuite {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(
            WriteMember({"walker", "Anna <b>", "http://10.0.0.5/", "Hills", {2026, 3, 0, 1, 4, 5, 6, 0}}));
        ASSERT_TRUE(WriteMember({"Bee", "bob", "", "", {}}));
        ASSERT_TRUE(WriteMember({"cat", "Carl", "file:///etc/passwd", "", {}}));
    }
    // The row showing a member.
    static int RowOf(const QTableWidget* list, const QString& id)
    {
        for (int row = 0; row < list->rowCount(); ++row) {
            if (list->item(row, 0)->text() == id) return row;
        }
        return -1;
    }

    TestHome home;
    DesktopLog desktop;
};

TEST_F(CommunityHostDialogTest, AddMemberTakesATrimmedIdOfThreeBytesOrMoreNotTaken)
{
    AddMemberDialog ask(nullptr);
    EXPECT_FALSE(ask.okButton()->isEnabled());
    struct Case {
        QString typed;
        bool ok;
    };
    for (const Case& c : {Case{"ab", false}, Case{"  ab \t", false}, Case{"BEE", false}, Case{"abc", true},
                          Case{" new one ", true}}) {
        ask.idBox()->setText(c.typed);
        EXPECT_EQ(ask.okButton()->isEnabled(), c.ok) << c.typed.toStdString();
    }
    ask.idBox()->setText(QString(70, 'i'));
    EXPECT_EQ(ask.idBox()->text().size(), 64);
    ask.idBox()->clear();
    QTest::keyClicks(ask.idBox(), " new one ");
    ask.accept();
    EXPECT_EQ(ask.result(), QDialog::Accepted);
    EXPECT_EQ(ask.memberId(), "new one");
    EXPECT_FALSE(FindMember("new one"));  // the host dialog stores it
}

TEST_F(CommunityHostDialogTest, ListsTheMembersAsPlainTextAndSortsByAColumn)
{
    CommunityHostDialog dialog(nullptr, LoggingDesktop(desktop));
    QTableWidget* list = dialog.memberList();
    ASSERT_EQ(list->rowCount(), 3);
    const int walker = RowOf(list, "walker");
    ASSERT_GE(walker, 0);
    EXPECT_EQ(list->item(walker, 1)->text(), "Anna <b>");
    EXPECT_EQ(list->item(walker, 3)->text(), "2026-03-01 04:05:06");
    EXPECT_EQ(list->item(walker, 3)->textAlignment(), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(list->item(RowOf(list, "Bee"), 3)->text(), "");  // never logged in

    dialog.show();
    QHeaderView* header = list->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, 5));
    EXPECT_EQ(Column(list, 1), "Anna <b>|bob|Carl");
    emit header->sectionClicked(0);
    EXPECT_EQ(Column(list, 0), "Bee|cat|walker");

    // Open: one row, with a web address.
    EXPECT_FALSE(dialog.openButton()->isEnabled());
    EXPECT_FALSE(dialog.removeButton()->isEnabled());
    list->selectRow(RowOf(list, "cat"));
    EXPECT_FALSE(dialog.openButton()->isEnabled());
    list->selectRow(RowOf(list, "walker"));
    ASSERT_TRUE(dialog.openButton()->isEnabled());
    dialog.openButton()->click();
    EXPECT_EQ(desktop.opened, (std::vector<QString>{"http://10.0.0.5/"}));
    list->selectAll();
    EXPECT_FALSE(dialog.openButton()->isEnabled());
    EXPECT_TRUE(dialog.removeButton()->isEnabled());
}

TEST_F(CommunityHostDialogTest, MembersAddedAndRemovedLandInTheStore)
{
    CommunityHostDialog dialog(nullptr, LoggingDesktop(desktop));
    QTableWidget* list = dialog.memberList();
    AnswerNextDialog<AddMemberDialog>([](AddMemberDialog& ask) {
        QTest::keyClicks(ask.idBox(), "  newbie ");
        ask.okButton()->click();
    });
    dialog.addButton()->click();
    std::optional<CommunityMember> added = FindMember("newbie");
    ASSERT_TRUE(added);
    EXPECT_EQ(added->name, "");
    EXPECT_TRUE(added->last_login.IsZero());
    ASSERT_EQ(list->rowCount(), 4);
    EXPECT_EQ(list->item(3, 0)->text(), "newbie");
    EXPECT_EQ(list->selectionModel()->selectedRows().size(), 1);
    EXPECT_TRUE(list->item(3, 0)->isSelected());

    // Cancel adds nothing.
    AnswerNextDialog<AddMemberDialog>([](AddMemberDialog& ask) {
        QTest::keyClicks(ask.idBox(), "other");
        ask.reject();
    });
    dialog.addButton()->click();
    EXPECT_FALSE(FindMember("other"));
    EXPECT_EQ(list->rowCount(), 4);

    list->clearSelection();
    list->selectionModel()->select(list->model()->index(RowOf(list, "walker"), 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    list->selectionModel()->select(list->model()->index(RowOf(list, "newbie"), 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    desktop.answer = false;
    dialog.removeButton()->click();
    EXPECT_EQ(desktop.questions, (std::vector<QString>{"Remove selected items?"}));
    EXPECT_EQ(ListMembers().size(), 4u);
    desktop.answer = true;
    dialog.removeButton()->click();
    EXPECT_FALSE(FindMember("walker"));
    EXPECT_FALSE(FindMember("newbie"));
    EXPECT_EQ(ListMembers().size(), 2u);
    EXPECT_EQ(Column(list, 0), "Bee|cat");
}

TEST_F(CommunityHostDialogTest, TheSwitchAndTheHostInfoAreStoredWhenChanged)
{
    ASSERT_TRUE(SetWebCommNameAsHost("Walkers"));
    CommunityHostDialog dialog(nullptr, LoggingDesktop(desktop));
    EXPECT_EQ(dialog.nameBox()->text(), "Walkers");
    EXPECT_FALSE(dialog.enableBox()->isChecked());
    dialog.enableBox()->click();
    EXPECT_TRUE(GetAsWebCommHost());

    dialog.nameBox()->setText("  ab ");
    EXPECT_FALSE(dialog.saveButton()->isEnabled());
    dialog.nameBox()->setText("  Hill walkers\t");
    dialog.descriptionBox()->setText(" Up & down ");
    ASSERT_TRUE(dialog.saveButton()->isEnabled());
    dialog.saveButton()->click();
    EXPECT_EQ(GetWebCommNameAsHost(), "Hill walkers");
    EXPECT_EQ(GetWebCommDescAsHost(), "Up & down");

    dialog.descriptionBox()->setText(QString(300, 'd'));
    EXPECT_EQ(dialog.descriptionBox()->text().size(), 255);
    dialog.enableBox()->click();
    dialog.reject();
    EXPECT_FALSE(GetAsWebCommHost());
    EXPECT_EQ(GetWebCommDescAsHost(), "Up & down");  // closing stores nothing more
}

// Not a check: with VIREO_SCREENSHOTS=folder set, saves the dialogs for a person to look at.
TEST_F(CommunityHostDialogTest, Screenshot)
{
    const char* folder = std::getenv("VIREO_SCREENSHOTS");
    if (!folder) GTEST_SKIP() << "VIREO_SCREENSHOTS is not set";
    ASSERT_TRUE(SetAsWebCommHost(true));
    ASSERT_TRUE(SetWebCommNameAsHost("Hill Walkers"));
    ASSERT_TRUE(SetWebCommDescAsHost("Photos and routes from the hills"));
    CommunityHostDialog dialog(nullptr, LoggingDesktop(desktop));
    dialog.memberList()->selectRow(0);
    dialog.show();
    AddMemberDialog ask(nullptr);
    ask.idBox()->setText("river-7");
    ask.show();
    QTest::qWait(200);
    EXPECT_TRUE(dialog.grab().save(QString("%1/as-community-host.png").arg(folder)));
    EXPECT_TRUE(ask.grab().save(QString("%1/add-member.png").arg(folder)));
}

}  // namespace
}  // namespace vireo::testing
