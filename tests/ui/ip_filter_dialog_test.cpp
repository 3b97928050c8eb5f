// The client IP filter and its address editor against the real settings store.
#include "ui/ip_filter_dialog.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstdlib>

#include "settings/settings.h"
#include "support/test_home.h"
#include "ui/dialog_answers.h"
#include "ui/ip_address_editor.h"
#include "ui/qt_test_suite.h"
#include "ui/row_selection.h"

namespace vireo::testing {
namespace {

class IpFilterDialogTest : public QtTestSuite {
protected:
    static QString Shown(const QListWidget* list)
    {
        QStringList rows;
        for (int row = 0; row < list->count(); ++row) rows << list->item(row)->text();
        return rows.join(",");
    }

    TestHome home;
};

TEST_F(IpFilterDialogTest, EditorTakesOnlyFourFieldsOfUpTo255)
{
    IpAddressEditor editor(nullptr, std::nullopt);
    EXPECT_EQ(editor.addressBox()->text(), "");
    EXPECT_FALSE(editor.okButton()->isEnabled());
    for (const char* typed : {"1.2.3.256", "1.2.3", "1.2.3.4.", "1.2.3.4x", "a.b.c.d", "1..2.3"}) {
        editor.addressBox()->setText(typed);
        EXPECT_FALSE(editor.okButton()->isEnabled()) << typed;
        EXPECT_EQ(editor.address(), std::nullopt) << typed;
    }
    editor.addressBox()->clear();
    QTest::keyClicks(editor.addressBox(), " 192.168.1.255\t");
    ASSERT_TRUE(editor.okButton()->isEnabled());
    EXPECT_EQ(editor.address(), (Ipv4Address{192, 168, 1, 255}));
    editor.addressBox()->setText("1234.5678.9012.3456");
    EXPECT_EQ(editor.addressBox()->text().size(), 15);

    IpAddressEditor edit(nullptr, Ipv4Address{10, 0, 0, 255});
    EXPECT_EQ(edit.addressBox()->text(), "10.0.0.255");
    EXPECT_TRUE(edit.okButton()->isEnabled());
}

TEST_F(IpFilterDialogTest, EditNeedsExactlyOneSelectedRowAndRemoveAtLeastOne)
{
    ASSERT_TRUE(SetIpFilter(AddressList{{10, 0, 0, 1}, {10, 0, 0, 2}, {10, 0, 0, 3}}, 1));
    IpFilterDialog dialog(nullptr);
    QListWidget* list = dialog.addressList();
    EXPECT_EQ(Shown(list), "10.0.0.1,10.0.0.2,10.0.0.3");
    EXPECT_TRUE(dialog.allowedOnlyButton()->isChecked());
    EXPECT_TRUE(dialog.addButton()->isEnabled());
    ExpectEditAndRemoveFollowTheSelection(list, dialog.editButton(), dialog.removeButton());
    dialog.removeButton()->click();
    EXPECT_EQ(Shown(list), "10.0.0.2");
    EXPECT_FALSE(dialog.removeButton()->isEnabled());
}

TEST_F(IpFilterDialogTest, OkStoresTheListInDisplayOrderWithTheType)
{
    ASSERT_TRUE(SetIpFilter(AddressList{{192, 168, 1, 9}, {10, 0, 0, 255}}, 0));
    IpFilterDialog dialog(nullptr);
    EXPECT_TRUE(dialog.offButton()->isChecked());
    // Add through the editor, as the user does.
    AnswerNextDialog<IpAddressEditor>([](IpAddressEditor& editor) {
        QTest::keyClicks(editor.addressBox(), "172.16.255.255");
        editor.okButton()->click();
    });
    dialog.addButton()->click();
    // Edit the first one; an address above 255 is refused, so the user cancels that attempt.
    SelectRows(dialog.addressList(), {0});
    AnswerNextDialog<IpAddressEditor>([](IpAddressEditor& editor) {
        EXPECT_EQ(editor.addressBox()->text(), "192.168.1.9");
        editor.addressBox()->setText("192.168.1.300");
        EXPECT_FALSE(editor.okButton()->isEnabled());
        editor.reject();
    });
    dialog.editButton()->click();
    dialog.ReplaceSelected({192, 168, 1, 10});
    dialog.AddAddress({10, 0, 0, 255});  // listed already: no second row
    EXPECT_EQ(Shown(dialog.addressList()), "192.168.1.10,10.0.0.255,172.16.255.255");
    dialog.forbiddenButton()->setChecked(true);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(GetIpFilterList(), (AddressList{{192, 168, 1, 10}, {10, 0, 0, 255}, {172, 16, 255, 255}}));
    EXPECT_EQ(GetIpFilterType(), IpFilterType::Forbidden);

    IpFilterDialog again(nullptr);
    EXPECT_TRUE(again.forbiddenButton()->isChecked());
    SelectRows(again.addressList(), {0, 1, 2});
    again.RemoveSelected();
    again.offButton()->setChecked(true);
    again.accept();
    EXPECT_EQ(GetIpFilterList(), AddressList{});
    EXPECT_EQ(GetIpFilterType(), IpFilterType::Off);
}

TEST_F(IpFilterDialogTest, CancelStoresNothing)
{
    ASSERT_TRUE(SetIpFilter(AddressList{{10, 0, 0, 1}}, 2));
    IpFilterDialog dialog(nullptr);
    dialog.AddAddress({10, 0, 0, 2});
    SelectRows(dialog.addressList(), {0});
    dialog.RemoveSelected();
    dialog.allowedOnlyButton()->setChecked(true);
    dialog.reject();
    EXPECT_EQ(GetIpFilterList(), (AddressList{{10, 0, 0, 1}}));
    EXPECT_EQ(GetIpFilterType(), IpFilterType::Forbidden);
}

// Not a check: with VIREO_SCREENSHOTS=folder set, saves the filter and its editor for a person to
// look at.
TEST_F(IpFilterDialogTest, Screenshot)
{
    const char* folder = std::getenv("VIREO_SCREENSHOTS");
    if (!folder) GTEST_SKIP() << "VIREO_SCREENSHOTS is not set";
    ASSERT_TRUE(SetIpFilter(AddressList{{192, 168, 1, 255}, {10, 0, 0, 7}, {203, 0, 113, 255}}, 2));
    IpFilterDialog dialog(nullptr);
    dialog.addressList()->setCurrentRow(0);
    dialog.show();
    IpAddressEditor editor(nullptr, Ipv4Address{192, 168, 1, 255});
    editor.show();
    QTest::qWait(200);
    EXPECT_TRUE(dialog.grab().save(QString("%1/client-ip-filter.png").arg(folder)));
    EXPECT_TRUE(editor.grab().save(QString("%1/ip-address-editor.png").arg(folder)));
}

}  // namespace
}  // namespace vireo::testing
