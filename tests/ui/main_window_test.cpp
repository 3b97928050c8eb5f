// The main window with a real server on a free loopback port, under Qt's offscreen platform.
#include "ui/main_window.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <thread>

#include "app/route_table.h"
#include "base/socket_address.h"
#include "base/unique_fd.h"
#include "community/chat/chat_room.h"
#include "platform/tls_certificate.h"
#include "settings/address_list.h"
#include "settings/dynamic_files.h"
#include "settings/settings.h"
#include "settings/settings_folders.h"
#include "site/site_server.h"
#include "support/child_process.h"
#include "support/files.h"
#include "support/loopback.h"
#include "support/test_home.h"
#include "ui/community_member_dialog.h"
#include "ui/dialog_answers.h"
#include "ui/folder_property_dialog.h"
#include "ui/qt_test_suite.h"
#include "ui/server_property_dialog.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

// What the window asked of the desktop.
struct DesktopRecord {
    std::vector<QString> opened;
    std::vector<QString> messages;
    bool answer = true;
    std::function<void()> while_message_shows;
};

DesktopActions Recorded(DesktopRecord& record)
{
    DesktopActions actions;
    actions.open_url = [&record](const QString& url) { record.opened.push_back(url); };
    actions.open_folder = [&record](const QString& path) { record.opened.push_back(path); };
    actions.confirm = [&record](QWidget*, const QString& question) {
        record.messages.push_back(question);
        return record.answer;
    };
    actions.inform = [&record](QWidget*, const QString& message) {
        record.messages.push_back(message);
        if (record.while_message_shows) record.while_message_shows();
    };
    // The router of these tests takes a moment to answer, and answers with a documentation address.
    actions.ask_router = [] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return std::optional<Ipv4Address>(Ipv4Address{203, 0, 113, 5});
    };
    return actions;
}

class MainWindowTest : public QtTestSuite {
protected:
    void SetUp() override
    {
        port = FreePort();
        ASSERT_TRUE(SetListenIp({127, 0, 0, 1}));
        ASSERT_TRUE(SetListenPort(port));
    }
    void TearDown() override { SiteChatRoom().StopAndWait(); }

    std::unique_ptr<MainWindow> Open(bool auto_start = false)
    {
        return std::make_unique<MainWindow>(SiteServerSetup(SiteRoutes()), auto_start, Recorded(desktop));
    }
    static bool Start(MainWindow& window)
    {
        window.SetServerRunning(true);
        return QTest::qWaitFor([&] { return window.StatusText().startsWith("Server is working"); }, 10000);
    }
    static bool Stopped(MainWindow& window)
    {
        return QTest::qWaitFor([&] { return window.StatusText() == "Server is not working."; }, 10000);
    }

    TestHome home;
    std::uint16_t port = 0;
    DesktopRecord desktop;
};

TEST_F(MainWindowTest, StartAndStopTheServer)
{
    auto window = Open();
    EXPECT_EQ(window->StatusText(), "Server is not working.");
    EXPECT_EQ(window->ShownUrlText(), "");
    ASSERT_TRUE(Start(*window));
    EXPECT_EQ(window->StatusText(), QString("Server is working on port %1").arg(port));
    EXPECT_TRUE(window->startButton()->isChecked());
    EXPECT_EQ(window->ShownUrlText(), QString("http://127.0.0.1:%1/").arg(port));

    // Stopping asks first; "No" keeps it running.
    desktop.answer = false;
    window->SetServerRunning(false);
    EXPECT_TRUE(window->IsServerRunning());
    EXPECT_TRUE(window->startButton()->isChecked());
    desktop.answer = true;
    window->SetServerRunning(false);
    ASSERT_TRUE(Stopped(*window));
    EXPECT_FALSE(window->startButton()->isChecked());
    EXPECT_EQ(window->ShownUrlText(), "");
    EXPECT_EQ(desktop.messages, (std::vector<QString>{"This will stop your Web server\r\nAre you sure?",
                                                      "This will stop your Web server\r\nAre you sure?"}));
}

TEST_F(MainWindowTest, EveryControlIsNamedAsItIsLabelled)
{
    auto window = Open();
    const QList<QAbstractButton*> buttons = window->findChildren<QAbstractButton*>();
    ASSERT_EQ(buttons.size(), 10);
    for (const QAbstractButton* button : buttons) EXPECT_EQ(button->accessibleName(), button->text());
    for (const QWidget* control : window->findChildren<QLineEdit*>())
        EXPECT_FALSE(control->accessibleName().isEmpty());
    EXPECT_EQ(window->certificateLabel()->accessibleName(), "Certificate:");
    EXPECT_EQ(window->folderList()->accessibleName(), "Folders");
    EXPECT_EQ(window->fileList()->accessibleName(), "Files");
    EXPECT_EQ(window->clientList()->accessibleName(), "Clients");
}

// The enabled state of each item of a menu, by its text.
std::map<QString, bool> Items(const std::unique_ptr<QMenu>& menu)
{
    std::map<QString, bool> items;
    if (!menu) return items;
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator()) items[action->text()] = action->isEnabled();
    }
    return items;
}

// Runs the menu's item of that text, as a click would.
void TriggerItem(const std::unique_ptr<QMenu>& menu, const QString& text)
{
    ASSERT_NE(menu, nullptr);
    for (QAction* action : menu->actions()) {
        if (action->text() == text) return action->trigger();
    }
    FAIL() << "no item " << text.toStdString();
}

TEST_F(MainWindowTest, MenusOfferWhatCanBeDoneNow)
{
    ASSERT_TRUE(WriteFolder("Docs", {home.path().string(), "", false, false, true, false}));
    auto window = Open();
    QListWidget* folders = window->folderList();
    using Menu = std::map<QString, bool>;
    EXPECT_EQ(Items(window->FolderMenu(nullptr)), (Menu{{"Add a Folder...", true},
                                                        {"Folder Property...", false},
                                                        {"Remove Folders", false},
                                                        {"Start Explorer", false}}));
    EXPECT_EQ(Items(window->FolderMenu(folders->item(4))), (Menu{{"Add a Folder...", true},
                                                                 {"Folder Property...", true},
                                                                 {"Remove Folders", true},
                                                                 {"Start Explorer", true}}));
    EXPECT_EQ(Items(window->FolderMenu(folders->item(0))),
              (Menu{{"Add Files...", true}, {"Allow list files", true}}));
    EXPECT_EQ(Items(window->FolderMenu(folders->item(1))),
              (Menu{{"Start Webchat...", false}, {"Manage...", true}, {"Stop Webchat", false}}));
    EXPECT_EQ(Items(window->FolderMenu(folders->item(2))),
              (Menu{{"As Host...", true}, {"As Member...", true}}));
    EXPECT_EQ(Items(window->FolderMenu(folders->item(3))), (Menu{{"Configure...", true}}));
    ASSERT_TRUE(Start(*window));
    EXPECT_EQ(Items(window->FolderMenu(folders->item(1))),
              (Menu{{"Start Webchat...", true}, {"Manage...", true}, {"Stop Webchat", false}}));
    ASSERT_TRUE(SiteChatRoom().Start(nullptr, 4));
    EXPECT_EQ(Items(window->FolderMenu(folders->item(1))),
              (Menu{{"Start Webchat...", false}, {"Manage...", true}, {"Stop Webchat", true}}));

    // The file list has a menu only for the dynamic files.
    folders->setCurrentRow(4);
    EXPECT_EQ(window->FileMenu(), nullptr);
    folders->setCurrentRow(0);
    EXPECT_EQ(Items(window->FileMenu()),
              (Menu{{"Add Files...", true}, {"Remove Files", false}, {"Property...", false}}));
    ASSERT_TRUE(AddDynamicFile((home.path() / "a.txt").string()));
    ASSERT_TRUE(AddDynamicFile((home.path() / "b.txt").string()));
    folders->setCurrentRow(4);
    folders->setCurrentRow(0);
    QTreeWidget* files = window->fileList();
    ASSERT_EQ(files->topLevelItemCount(), 2);
    files->topLevelItem(0)->setSelected(true);
    EXPECT_EQ(Items(window->FileMenu()),
              (Menu{{"Add Files...", true}, {"Remove Files", true}, {"Property...", true}}));
    files->topLevelItem(1)->setSelected(true);
    EXPECT_EQ(Items(window->FileMenu())["Property..."], false);

    // "Add to block list" needs a row and a forbidden-list IP filter.
    EXPECT_EQ(Items(window->ClientMenu()), (Menu{{"Add to block list", false},
                                                 {"Copy IP", false},
                                                 {"Clear List", false},
                                                 {"Open Logbook", true}}));
    Exchange(port, "GET / HTTP/1.1\r\n\r\n");
    QTreeWidget* clients = window->clientList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return clients->topLevelItemCount() == 1; }, 10000));
    clients->setCurrentItem(clients->topLevelItem(0));
    EXPECT_EQ(Items(window->ClientMenu())["Add to block list"], false);
    ASSERT_TRUE(SetIpFilterType(static_cast<std::uint32_t>(IpFilterType::Forbidden)));
    std::unique_ptr<QMenu> menu = window->ClientMenu();
    EXPECT_EQ(
        Items(menu),
        (Menu{{"Add to block list", true}, {"Copy IP", true}, {"Clear List", true}, {"Open Logbook", true}}));
    menu->actions().front()->trigger();
    EXPECT_EQ(GetIpFilterList(), (AddressList{{127, 0, 0, 1}}));
}

TEST_F(MainWindowTest, TheSettingsDialogsOpenFromTheWindowAndItsChangesShowAtOnce)
{
    ASSERT_TRUE(WriteFolder("Docs", {home.path().string(), "", false, false, true, false}));
    auto window = Open();
    QListWidget* folders = window->folderList();
    ASSERT_EQ(folders->item(4)->text(), "Docs");

    // A folder renamed in its dialog is listed under the new name at once.
    AnswerNextDialog<FolderPropertyDialog>([](FolderPropertyDialog& dialog) {
        dialog.nameBox()->setText("Papers");
        dialog.okButton()->click();
    });
    TriggerItem(window->FolderMenu(folders->item(4)), "Folder Property...");
    EXPECT_EQ(folders->item(4)->text(), "Papers");
    EXPECT_FALSE(FolderExists("Docs"));

    // "Server Property" tells the dialog where the running server listens.
    ASSERT_TRUE(Start(*window));
    bool port_shown = false;
    AnswerNextDialog<ServerPropertyDialog>([&](ServerPropertyDialog& dialog) {
        port_shown = dialog.portBox()->text() == QString::number(port) && !dialog.portBox()->isEnabled();
        dialog.reject();
    });
    window->serverPropertyButton()->click();
    EXPECT_TRUE(port_shown);

    // Closing the member's dialog wakes the community logins, however it is closed.
    int wakes = 0;
    window->WakeLoginsWith([&wakes] { ++wakes; });
    AnswerNextDialog<CommunityMemberDialog>([](CommunityMemberDialog& dialog) { dialog.reject(); });
    TriggerItem(window->FolderMenu(folders->item(2)), "As Member...");
    EXPECT_EQ(wakes, 1);
}

TEST_F(MainWindowTest, TheRoutersAddressReplacesTheHostWhenChosen)
{
    auto window = Open();
    ASSERT_TRUE(Start(*window));
    EXPECT_FALSE(window->useRouter()->isEnabled());
    window->askRouterButton()->click();
    // The question runs beside the window, which stays usable; the button waits for the answer.
    EXPECT_FALSE(window->askRouterButton()->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->askRouterButton()->isEnabled(); }, 5000));
    EXPECT_EQ(window->routerAddress()->text(), "203.0.113.5");
    ASSERT_TRUE(window->useRouter()->isEnabled());
    EXPECT_EQ(window->ShownUrlText(), QString("http://127.0.0.1:%1/").arg(port));
    window->useRouter()->setChecked(true);
    EXPECT_EQ(window->ShownUrlText(), QString("http://203.0.113.5:%1/").arg(port));
}

TEST_F(MainWindowTest, FailedStartSaysWhy)
{
    UniqueFd taken(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = ToSockaddr({{127, 0, 0, 1}, port});
    ASSERT_EQ(::bind(taken.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(taken.get(), 1), 0);
    auto window = Open();
    window->SetServerRunning(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->StatusText().startsWith("Server Error"); }, 10000));
    EXPECT_EQ(window->StatusText(), "Server Error: 98 ");
    EXPECT_FALSE(window->startButton()->isChecked());
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0],
              QString("Failed starting server on port %1. Error = 98.\r\n\r\nPlease click the "
                      "[Server Property] button, change the port number, and try again.")
                  .arg(port));
    // The switch works again once the port is free.
    taken.reset();
    EXPECT_TRUE(Start(*window));
}

TEST_F(MainWindowTest, ClientsAppearAsTheyCome)
{
    auto window = Open();
    ASSERT_TRUE(Start(*window));
    for (int i = 0; i < 3; ++i) Exchange(port, "GET /nothing-here HTTP/1.1\r\n\r\n");
    QTreeWidget* clients = window->clientList();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return clients->topLevelItemCount() == 3 && clients->topLevelItem(2)->text(2) == "Closed"; },
        10000));
    const QTreeWidgetItem* row = clients->topLevelItem(0);
    EXPECT_EQ(row->text(1), "127.0.0.1");
    EXPECT_EQ(row->text(2), "Closed");
    EXPECT_EQ(row->text(3), "/nothing-here");
    EXPECT_EQ(row->text(0).size(), 19);
}

TEST_F(MainWindowTest, FolderListAndTheShownAddress)
{
    ASSERT_TRUE(WriteFolder("Holiday Photos", {home.path().string(), "", false, false, true, false}));
    auto window = Open();
    QListWidget* folders = window->folderList();
    ASSERT_EQ(folders->count(), 5);
    EXPECT_EQ(folders->item(0)->text(), "Dynamic Files");
    EXPECT_EQ(folders->item(1)->text(), "Webchat");
    EXPECT_EQ(folders->item(2)->text(), "WebCommunity");
    EXPECT_EQ(folders->item(3)->text(), "Extension");
    EXPECT_EQ(folders->item(4)->text(), "Holiday Photos");
    ASSERT_TRUE(Start(*window));
    folders->setCurrentRow(4);
    EXPECT_EQ(window->ShownUrlText(), QString("http://127.0.0.1:%1/Holiday%20Photos/").arg(port));
    folders->setCurrentRow(1);  // the room is closed: the site itself
    EXPECT_EQ(window->ShownUrlText(), QString("http://127.0.0.1:%1/").arg(port));
}

TEST_F(MainWindowTest, AutoStartKeepsTheWindowHiddenUntilAsked)
{
    auto window = Open(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->IsServerRunning(); }, 10000));
    window->show();
    EXPECT_FALSE(window->isVisible());
    window->BringToFront();
    EXPECT_TRUE(window->isVisible());
    // Closed while the server runs, it only hides.
    window->reject();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->IsServerRunning());
}

TEST_F(MainWindowTest, GuestbookAlarmsShowOneBoxAtATime)
{
    ASSERT_TRUE(SetEnableGuestbook(true));
    ASSERT_TRUE(SetGuestbookAlarm(true));
    auto window = Open();
    ASSERT_TRUE(Start(*window));
    auto post = [this] {
        Exchange(port,
                 "POST /Guestbook/ HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                 "Content-Length: 5\r\n\r\nmsg=x");
    };
    // While the first box shows, a second message arrives: it raises the window, no second box.
    desktop.while_message_shows = [&] {
        desktop.while_message_shows = nullptr;
        post();
        QTest::qWait(1000);
    };
    post();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !desktop.messages.empty(); }, 10000));
    QTest::qWait(500);
    EXPECT_EQ(desktop.messages, (std::vector<QString>{"There is a new message in your guestbook."}));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, ChatRoomStartsWithTheServerWhenAsked)
{
    ASSERT_TRUE(SetAutoStartChatRoom(true));
    auto window = Open();
    ASSERT_TRUE(Start(*window));
    ASSERT_TRUE(QTest::qWaitFor([] { return SiteChatRoom().IsRunning(); }, 10000));
    window->folderList()->setCurrentRow(1);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->ShownUrlText() == QString("http://127.0.0.1:%1/Webchat/").arg(port); }, 10000));
    // Stopping the server from the window ends the room first.
    window->SetServerRunning(false);
    ASSERT_TRUE(Stopped(*window));
    EXPECT_TRUE(QTest::qWaitFor([] { return !SiteChatRoom().IsRunning(); }, 10000));
}

TEST_F(MainWindowTest, AVisitorWakingTheHostOpensTheRoomOnce)
{
    ASSERT_TRUE(SetAutoStartChatRoom(true));
    auto window = Open();
    ASSERT_TRUE(Start(*window));
    ASSERT_TRUE(QTest::qWaitFor([] { return SiteChatRoom().IsRunning(); }, 10000));
    // A member from elsewhere, as the room sees it: its socket is one end of a pair.
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends), 0);
    UniqueFd far_end(ends[1]);
    auto socket = std::make_unique<StreamSocket>();
    socket->Attach(ends[0]);
    SiteChatRoom().PostJoin({77, std::move(socket), {192, 0, 2, 1}, false});
    SiteChatRoom().PostSpeech({77, "All", "!wakeup"});
    SiteChatRoom().PostSpeech({77, "All", "!wakeup"});
    const QString room = QString("http://127.0.0.1:%1/WebChat/").arg(port);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !desktop.opened.empty(); }, 10000));
    QTest::qWait(300);
    EXPECT_EQ(desktop.opened, (std::vector<QString>{room}));
}

// The fingerprint a TLS client is shown on the port; empty when the handshake fails.
std::string ServedFingerprint(std::uint16_t port)
{
    const ProgramResult result =
        RunProgram({"/usr/bin/python3", std::string(VIREO_TESTS_SOURCE) + "/site/tls_client.py",
                    std::to_string(port), "--fingerprint"});
    return result.exit_code == 0 ? result.output.substr(0, result.output.find('\n')) : std::string();
}

TEST_F(MainWindowTest, TheServedCertificatesFingerprintShowsWhileTheServerRuns)
{
    auto window = Open();
    QLabel* certificate = window->certificateLabel();
    EXPECT_EQ(certificate->text(), "");
    ASSERT_TRUE(Start(*window));
    const QString shown = certificate->text();
    EXPECT_TRUE(shown.startsWith("SHA-256 ")) << shown.toStdString();
    EXPECT_EQ(shown.toStdString(), ServedFingerprint(port));
    // The owner copies it from the window to send it to a visitor.
    certificate->setSelection(0, static_cast<int>(shown.size()));
    EXPECT_EQ(certificate->selectedText(), shown);

    window->SetServerRunning(false);
    ASSERT_TRUE(Stopped(*window));
    EXPECT_EQ(certificate->text(), "");
}

TEST_F(MainWindowTest, ACertificateThatDoesNotLoadSaysWhyUntilWebSitePropertyMendsIt)
{
    const fs::path folder = home.path() / "owner";
    const auto first = MakeSelfSignedCertificate(folder / "a", "first.test", {});
    const auto second = MakeSelfSignedCertificate(folder / "b", "second.test", {});
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(Write(setting::kTlsCertificate, first->certificate.string()));
    ASSERT_TRUE(Write(setting::kTlsKey, second->key.string()));
    auto window = Open();
    ASSERT_TRUE(Start(*window));
    const QString said = window->certificateLabel()->text();
    EXPECT_EQ(said.toStdString(),
              "HTTPS is off: the key " + second->key.string() + " does not belong to the certificate");
    EXPECT_EQ(ServedFingerprint(port), "");
    EXPECT_TRUE(Exchange(port, "GET / HTTP/1.1\r\n\r\n").starts_with("HTTP/1.1 200 OK\r\n"));

    // The key that belongs to it, given in the dialog, shows the fingerprint as soon as it closes,
    // and visitors are shown the same once the server has looked at its files again.
    AnswerNextDialog<ServerPropertyDialog>([&](ServerPropertyDialog& dialog) {
        dialog.keyBox()->setText(QString::fromStdString(first->key.string()));
        dialog.accept();
    });
    window->serverPropertyButton()->click();
    const std::string expected = CertificateFingerprint(first->certificate).value_or("none");
    EXPECT_EQ(window->certificateLabel()->text().toStdString(), expected);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ServedFingerprint(port) == expected; }, 10000));
}

// Not a check: with VIREO_SCREENSHOTS=folder set, saves the window as a visitor has just left it,
// for a person to look at (docs/screenshots/main-window.png).
TEST_F(MainWindowTest, Screenshot)
{
    const char* folder = std::getenv("VIREO_SCREENSHOTS");
    if (!folder) GTEST_SKIP() << "VIREO_SCREENSHOTS is not set";
    const fs::path photos = home.path() / "Photos";
    fs::create_directories(photos / "Summer 2026");
    for (const auto& [name, size] : std::initializer_list<std::pair<const char*, std::size_t>>{
             {"beach.jpg", 2'451'311}, {"harbour.jpg", 1'877'020}, {"route.gpx", 48'212}}) {
        std::ofstream(photos / name).put('x');
        fs::resize_file(photos / name, size);
    }
    ASSERT_TRUE(WriteFolder("Photos", {photos.string(), "Holiday photos", true, false, true, true}));
    auto window = Open();
    ASSERT_TRUE(Start(*window));
    window->folderList()->setCurrentRow(4);
    window->fileList()->topLevelItem(1)->setSelected(true);
    for (std::string_view path : {"/", "/Photos/", "/Photos/missing.jpg"})
        Exchange(port, "GET " + std::string(path) + " HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->clientList()->topLevelItemCount() == 3; }, 10000));
    window->show();
    QTest::qWait(200);
    EXPECT_TRUE(window->grab().save(QString("%1/main-window.png").arg(folder)));
}

}  // namespace
}  // namespace vireo::testing
