// "WebSite Property" against the real settings store: what it shows, what OK stores, and that a
// running server's address and port stay as they are.
#include "ui/server_property_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "platform/run_at_logon.h"
#include "platform/tls_certificate.h"
#include "settings/settings.h"
#include "support/test_home.h"
#include "ui/qt_test_suite.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

class ServerPropertyDialogTest : public QtTestSuite {
protected:
    static void NoFolder(const QString&) {}
    static QString Text(const fs::path& path) { return QString::fromStdString(path.string()); }

    TestHome home;
};

TEST_F(ServerPropertyDialogTest, StoppedShowsAndStoresThePortAndAddress)
{
    ServerPropertyDialog fresh(nullptr, std::nullopt, NoFolder);
    EXPECT_EQ(fresh.portBox()->text(), "80");
    EXPECT_EQ(fresh.addressList()->currentText(), "All addresses");
    EXPECT_TRUE(fresh.portBox()->isEnabled());
    EXPECT_TRUE(fresh.addressList()->isEnabled());
    const int loopback = fresh.addressList()->findText("127.0.0.1");
    ASSERT_GE(loopback, 1);  // always offered, after the entry for every address

    fresh.portBox()->clear();
    QTest::keyClicks(fresh.portBox(), "8x0-8y0");
    EXPECT_EQ(fresh.portBox()->text(), "8080");  // digits only
    fresh.addressList()->setCurrentIndex(loopback);
    fresh.accept();
    EXPECT_EQ(GetListenPort(), 8080);
    EXPECT_EQ(GetListenIp(), (Ipv4Address{127, 0, 0, 1}));

    ServerPropertyDialog again(nullptr, std::nullopt, NoFolder);
    EXPECT_EQ(again.portBox()->text(), "8080");
    EXPECT_EQ(again.addressList()->currentText(), "127.0.0.1");
    again.portBox()->setText("999999");
    EXPECT_EQ(again.portBox()->text(), "99999");  // five characters at most
    again.addressList()->setCurrentIndex(0);
    again.accept();
    EXPECT_EQ(GetListenPort(), 65535);  // the highest port, not the low bits of the number
    EXPECT_EQ(GetListenIp(), Ipv4Address{});

    ServerPropertyDialog emptied(nullptr, std::nullopt, NoFolder);
    emptied.portBox()->clear();
    emptied.accept();
    EXPECT_EQ(GetListenPort(), 80);  // 0 is stored, and read as the default
}

TEST_F(ServerPropertyDialogTest, AStoredAddressNoAdapterHoldsIsKept)
{
    ASSERT_TRUE(SetListenIp({192, 0, 2, 44}));
    ServerPropertyDialog dialog(nullptr, std::nullopt, NoFolder);
    EXPECT_EQ(dialog.addressList()->currentText(), "192.0.2.44");
    dialog.accept();
    EXPECT_EQ(GetListenIp(), (Ipv4Address{192, 0, 2, 44}));
}

TEST_F(ServerPropertyDialogTest, RunningLeavesPortAndAddressAlone)
{
    ASSERT_TRUE(SetListenPort(8080));
    ServerPropertyDialog dialog(nullptr, Ipv4Endpoint{{127, 0, 0, 1}, 8123}, NoFolder);
    EXPECT_EQ(dialog.portBox()->text(), "8123");  // the running server's, not the stored one
    EXPECT_EQ(dialog.addressList()->currentText(), "127.0.0.1");
    EXPECT_FALSE(dialog.portBox()->isEnabled());
    EXPECT_FALSE(dialog.addressList()->isEnabled());
    dialog.portBox()->setText("9000");
    dialog.accept();
    EXPECT_EQ(GetListenPort(), 8080);
    EXPECT_EQ(GetListenIp(), Ipv4Address{});
}

TEST_F(ServerPropertyDialogTest, SwitchesAndDontLogThisComputerInverted)
{
    ServerPropertyDialog dialog(nullptr, std::nullopt, NoFolder);
    EXPECT_FALSE(dialog.keepLogBox()->isChecked());
    EXPECT_FALSE(dialog.skipSelfBox()->isChecked());  // this computer is logged by default
    EXPECT_FALSE(dialog.runAtLogonBox()->isChecked());
    dialog.keepLogBox()->setChecked(true);
    dialog.skipSelfBox()->setChecked(true);
    dialog.runAtLogonBox()->setChecked(true);
    dialog.portBox()->setText("81");
    const auto pair = MakeSelfSignedCertificate(home.path() / "tls", "owner.test", {});
    ASSERT_TRUE(pair);
    dialog.certificateBox()->setText(Text(pair->certificate));
    dialog.keyBox()->setText(Text(pair->key));
    dialog.httpsOnlyBox()->setChecked(true);
    dialog.reject();
    EXPECT_FALSE(GetEnableLog());
    EXPECT_TRUE(GetLogSelf());
    EXPECT_FALSE(IsRunAtLogon());
    EXPECT_EQ(GetListenPort(), 80);
    EXPECT_EQ(Read(setting::kTlsCertificate), std::nullopt);
    EXPECT_EQ(Read(setting::kTlsKey), std::nullopt);
    EXPECT_FALSE(Read(setting::kHttpsOnly));
    dialog.certificateBox()->clear();
    dialog.keyBox()->clear();
    dialog.httpsOnlyBox()->setChecked(false);

    dialog.accept();
    EXPECT_TRUE(GetEnableLog());
    EXPECT_FALSE(GetLogSelf());
    EXPECT_TRUE(IsRunAtLogon());

    ServerPropertyDialog again(nullptr, std::nullopt, NoFolder);
    EXPECT_TRUE(again.skipSelfBox()->isChecked());
    EXPECT_TRUE(again.runAtLogonBox()->isChecked());
    again.skipSelfBox()->setChecked(false);
    again.runAtLogonBox()->setChecked(false);
    again.accept();
    EXPECT_TRUE(GetLogSelf());
    EXPECT_FALSE(IsRunAtLogon());
}

TEST_F(ServerPropertyDialogTest, ButtonsOpenTheHomePageAndGuestbookDialogs)
{
    ServerPropertyDialog dialog(nullptr, std::nullopt, NoFolder);
    for (QPushButton* button :
         {dialog.passwordsButton(), dialog.ipFilterButton(), dialog.autoBlockerButton()})
        EXPECT_EQ(button->accessibleName(), button->text());
    EXPECT_EQ(dialog.passwordsButton()->text(), "Passwords...");
    EXPECT_EQ(dialog.ipFilterButton()->text(), "IP Filter...");
    EXPECT_EQ(dialog.autoBlockerButton()->text(), "Auto Blocker...");
    auto opened_by = [](QPushButton* button) {
        QString title;
        QTimer::singleShot(0, [&] {
            if (QWidget* shown = QApplication::activeModalWidget()) {
                title = shown->windowTitle();
                shown->close();
            }
        });
        button->click();
        return title;
    };
    EXPECT_EQ(opened_by(dialog.homePageButton()), "Home Page");
    EXPECT_EQ(opened_by(dialog.guestbookButton()), "Guestbook");
}

TEST_F(ServerPropertyDialogTest, HttpsFilesAndHttpsOnlyAreStoredAndShownAgain)
{
    const auto pair = MakeSelfSignedCertificate(home.path() / "tls", "owner.test", {});
    ASSERT_TRUE(pair);
    ServerPropertyDialog dialog(nullptr, std::nullopt, NoFolder);
    EXPECT_EQ(dialog.certificateBox()->accessibleName(), "Certificate file:");
    EXPECT_EQ(dialog.keyBox()->accessibleName(), "Key file:");
    EXPECT_EQ(dialog.httpsOnlyBox()->accessibleName(), "HTTPS only");
    for (QPushButton* browse : {dialog.certificateBrowseButton(), dialog.keyBrowseButton()})
        EXPECT_EQ(browse->accessibleName(), browse->text());
    EXPECT_EQ(dialog.certificateBox()->text(), "");  // the certificate Vireo makes itself
    EXPECT_EQ(dialog.keyBox()->text(), "");
    EXPECT_FALSE(dialog.httpsOnlyBox()->isChecked());

    // "..." fills its own box; the key's starts in the certificate's folder, and a chooser given
    // up leaves the box as it was.
    std::vector<QString> starts;
    QString answer = Text(pair->certificate);
    dialog.setFileChooser([&](QWidget*, const QString& start) {
        starts.push_back(start);
        return answer;
    });
    dialog.certificateBrowseButton()->click();
    answer = Text(pair->key);
    dialog.keyBrowseButton()->click();
    answer.clear();
    dialog.keyBrowseButton()->click();
    EXPECT_EQ(starts, (std::vector<QString>{"", Text(pair->certificate.parent_path()), Text(pair->key)}));
    EXPECT_EQ(dialog.certificateBox()->text(), Text(pair->certificate));
    EXPECT_EQ(dialog.keyBox()->text(), Text(pair->key));
    dialog.httpsOnlyBox()->setChecked(true);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Read(setting::kTlsCertificate), pair->certificate.string());
    EXPECT_EQ(Read(setting::kTlsKey), pair->key.string());
    EXPECT_TRUE(Read(setting::kHttpsOnly));

    ServerPropertyDialog again(nullptr, std::nullopt, NoFolder);
    EXPECT_EQ(again.certificateBox()->text(), Text(pair->certificate));
    EXPECT_EQ(again.keyBox()->text(), Text(pair->key));
    EXPECT_TRUE(again.httpsOnlyBox()->isChecked());
    // Both emptied: back to the certificate Vireo makes itself.
    again.certificateBox()->setText("  ");
    again.keyBox()->clear();
    again.httpsOnlyBox()->setChecked(false);
    again.accept();
    EXPECT_EQ(again.result(), QDialog::Accepted);
    EXPECT_EQ(Read(setting::kTlsCertificate).value_or("none"), "");
    EXPECT_EQ(Read(setting::kTlsKey).value_or("none"), "");
    EXPECT_FALSE(Read(setting::kHttpsOnly));
}

TEST_F(ServerPropertyDialogTest, OneHttpsFileAloneOrOneThatCannotBeReadIsRefused)
{
    const auto pair = MakeSelfSignedCertificate(home.path() / "tls", "owner.test", {});
    ASSERT_TRUE(pair);
    const QString certificate = Text(pair->certificate);
    const QString key = Text(pair->key);
    const QString missing = Text(home.path() / "tls" / "missing.pem");
    const QString folder = Text(home.path() / "tls");
    struct Case {
        QString certificate;
        QString key;
        QString said;
    };
    const Case cases[] = {
        {certificate, "", "Give both the certificate file and the key file, or neither."},
        {"", key, "Give both the certificate file and the key file, or neither."},
        {missing, key, "The certificate file can not be read."},
        {certificate, folder, "The key file can not be read."},
    };
    for (const Case& refused : cases) {
        SCOPED_TRACE(refused.said.toStdString());
        ServerPropertyDialog dialog(nullptr, std::nullopt, NoFolder);
        std::vector<QString> told;
        dialog.setInform([&told](QWidget*, const QString& message) { told.push_back(message); });
        dialog.certificateBox()->setText(refused.certificate);
        dialog.keyBox()->setText(refused.key);
        dialog.httpsOnlyBox()->setChecked(true);
        dialog.portBox()->setText("8081");
        dialog.show();
        dialog.accept();
        EXPECT_EQ(told, std::vector<QString>{refused.said});
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        // What was typed stays for the owner to correct; nothing at all is stored.
        EXPECT_EQ(dialog.certificateBox()->text(), refused.certificate);
        EXPECT_EQ(dialog.keyBox()->text(), refused.key);
        EXPECT_EQ(Read(setting::kTlsCertificate), std::nullopt);
        EXPECT_EQ(Read(setting::kTlsKey), std::nullopt);
        EXPECT_FALSE(Read(setting::kHttpsOnly));
        EXPECT_EQ(GetListenPort(), 80);
    }
}

// Not a check: with VIREO_SCREENSHOTS=folder set, saves the dialog for a person to look at.
TEST_F(ServerPropertyDialogTest, Screenshot)
{
    const char* folder = std::getenv("VIREO_SCREENSHOTS");
    if (!folder) GTEST_SKIP() << "VIREO_SCREENSHOTS is not set";
    ServerPropertyDialog dialog(nullptr, std::nullopt, NoFolder);
    dialog.certificateBox()->setText("/home/you/.config/vireo-tls/fullchain.pem");
    dialog.keyBox()->setText("/home/you/.config/vireo-tls/key.pem");
    dialog.show();
    QTest::qWait(200);
    EXPECT_TRUE(dialog.grab().save(QString("%1/website-property.png").arg(folder)));
}

}  // namespace
}  // namespace vireo::testing
