// The auto-block list's dialog against the real settings store.
#include "ui/auto_blocker_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <cstdlib>

#include "settings/settings.h"
#include "support/test_home.h"
#include "ui/qt_test_suite.h"
#include "ui/row_selection.h"

namespace vireo::testing {
namespace {

class AutoBlockerDialogTest : public QtTestSuite {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetAutoBlockList(AddressList{{203, 0, 113, 1}, {203, 0, 113, 2}, {203, 0, 113, 3}}));
    }

    TestHome home;
};

TEST_F(AutoBlockerDialogTest, RemoveNeedsASelectedRow)
{
    AutoBlockerDialog dialog(nullptr);
    QListWidget* list = dialog.addressList();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(2)->text(), "203.0.113.3");
    EXPECT_TRUE(dialog.enableBox()->isChecked());  // blocking is on unless turned off
    ExpectEditAndRemoveFollowTheSelection(list, nullptr, dialog.removeButton());
    dialog.removeButton()->click();
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), "203.0.113.2");
    EXPECT_FALSE(dialog.removeButton()->isEnabled());
}

TEST_F(AutoBlockerDialogTest, OkRemovesOnlyWhatWasRemovedAndKeepsAnAddressBlockedMeanwhile)
{
    AutoBlockerDialog dialog(nullptr);
    SelectRows(dialog.addressList(), {1});
    dialog.RemoveSelected();
    // The server blocks another visitor while the dialog is open.
    ASSERT_TRUE(AddToAutoBlockList({198, 51, 100, 7}));
    dialog.enableBox()->setChecked(false);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(GetAutoBlockList(), (AddressList{{203, 0, 113, 1}, {203, 0, 113, 3}, {198, 51, 100, 7}}));
    EXPECT_FALSE(GetUseAutoBlockList());
}

TEST_F(AutoBlockerDialogTest, CancelStoresNothing)
{
    AutoBlockerDialog dialog(nullptr);
    SelectRows(dialog.addressList(), {0, 1, 2});
    dialog.RemoveSelected();
    dialog.enableBox()->setChecked(false);
    dialog.reject();
    EXPECT_EQ(GetAutoBlockList().size(), 3u);
    EXPECT_TRUE(GetUseAutoBlockList());
}

// Not a check: with VIREO_SCREENSHOTS=folder set, saves the dialog for a person to look at.
TEST_F(AutoBlockerDialogTest, Screenshot)
{
    const char* folder = std::getenv("VIREO_SCREENSHOTS");
    if (!folder) GTEST_SKIP() << "VIREO_SCREENSHOTS is not set";
    AutoBlockerDialog dialog(nullptr);
    dialog.addressList()->setCurrentRow(1);
    dialog.show();
    QTest::qWait(200);
    EXPECT_TRUE(dialog.grab().save(QString("%1/auto-blocker.png").arg(folder)));
}

}  // namespace
}  // namespace vireo::testing
