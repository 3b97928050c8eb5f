// "Select IP": the addresses offered, the one shown selected, and what OK and Cancel give back.
#include "ui/select_ip_dialog.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>

#include "ui/qt_test_suite.h"

namespace vireo::testing {
namespace {

class SelectIpDialogTest : public QtTestSuite {
protected:
    // Runs the dialog modally, ended by `answer` once it shows; the code exec() returns.
    static int Run(SelectIpDialog& dialog, std::function<void()> answer)
    {
        QTimer::singleShot(0, &dialog, std::move(answer));
        return dialog.exec();
    }

    const std::vector<Ipv4Address> offered{{192, 168, 1, 20}, {10, 0, 0, 5}, {127, 0, 0, 1}};
};

TEST_F(SelectIpDialogTest, ListsTheAddressesWithTheShownOneSelected)
{
    SelectIpDialog dialog(nullptr, offered, {10, 0, 0, 5});
    QListWidget* list = dialog.addressList();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "192.168.1.20");
    EXPECT_EQ(list->item(2)->text(), "127.0.0.1");
    ASSERT_EQ(list->selectedItems().size(), 1);
    EXPECT_EQ(list->selectedItems().front()->text(), "10.0.0.5");
    SelectIpDialog elsewhere(nullptr, offered, {192, 0, 2, 1});
    EXPECT_TRUE(elsewhere.addressList()->selectedItems().isEmpty());
}

TEST_F(SelectIpDialogTest, OkGivesOneWithAChoiceTwoWithoutCancelZero)
{
    SelectIpDialog dialog(nullptr, offered, {10, 0, 0, 5});
    EXPECT_EQ(Run(dialog, [&] { dialog.okButton()->click(); }), 1);
    EXPECT_EQ(dialog.chosen(), (Ipv4Address{10, 0, 0, 5}));

    SelectIpDialog other(nullptr, offered, {10, 0, 0, 5});
    other.addressList()->setCurrentRow(2);
    EXPECT_EQ(Run(other, [&] { other.okButton()->click(); }), 1);
    EXPECT_EQ(other.chosen(), (Ipv4Address{127, 0, 0, 1}));

    SelectIpDialog none(nullptr, offered, {192, 0, 2, 1});
    EXPECT_EQ(Run(none, [&] { none.okButton()->click(); }), 2);
    EXPECT_FALSE(none.chosen());

    SelectIpDialog cancelled(nullptr, offered, {10, 0, 0, 5});
    EXPECT_EQ(Run(cancelled, [&] { cancelled.reject(); }), 0);
    EXPECT_FALSE(cancelled.chosen());
}

// Not a check: with VIREO_SCREENSHOTS=folder set, saves the dialog for a person to look at.
TEST_F(SelectIpDialogTest, Screenshot)
{
    const char* folder = std::getenv("VIREO_SCREENSHOTS");
    if (!folder) GTEST_SKIP() << "VIREO_SCREENSHOTS is not set";
    SelectIpDialog dialog(nullptr, offered, {192, 168, 1, 20});
    dialog.show();
    QTest::qWait(200);
    EXPECT_TRUE(dialog.grab().save(QString("%1/select-ip.png").arg(folder)));
}

}  // namespace
}  // namespace vireo::testing
