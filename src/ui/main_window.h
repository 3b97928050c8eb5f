#pragma once

// The desktop program's window "Vireo": the shared folders and their files, the address of what
// is selected, the clients as they come and go, and the switch that starts and stops the server.

#include <QDialog>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "base/ipv4.h"
#include "http/server.h"
#include "ui/client_rows.h"
#include "ui/desktop_actions.h"
#include "ui/shown_url.h"
#include "ui/window_events.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vireo {

class MainWindow final : public QDialog {
public:
    // `setup` answers the site's requests; `auto_start` starts the server at once and keeps the
    // window hidden until something shows it.
    MainWindow(ServerSetup setup, bool auto_start, DesktopActions desktop = SystemDesktopActions());
    ~MainWindow() override;

    // Shows the window, raised and active.
    void BringToFront();
    // Starts or stops the server, as the "Start Server" switch does (stopping asks first).
    void SetServerRunning(bool run);
    bool IsServerRunning() const;
    // Stops the chat room and the server without asking, and ends the program once it has stopped.
    void Quit();

    // Called on the window's thread when the member's community logins should run now: each time the
    // server starts listening, and when the owner has edited the list of community hosts.
    void WakeLoginsWith(std::function<void()> wake) { wake_logins_ = std::move(wake); }
    // The site's address while the server listens, for threads other than the window's.
    std::optional<Ipv4Endpoint> ListeningAt() const;

    // For the tray and the tests.
    QString StatusText() const;
    QString ShownUrlText() const;
    QTreeWidget* clientList() const { return clients_; }
    QListWidget* folderList() const { return folders_; }
    QTreeWidget* fileList() const { return files_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* serverPropertyButton() const { return server_property_; }
    QPushButton* askRouterButton() const { return ask_router_; }
    QLineEdit* routerAddress() const { return router_address_; }
    QCheckBox* useRouter() const { return use_router_; }
    // While the server runs: the served certificate's fingerprint, or why HTTPS is off.
    QLabel* certificateLabel() const { return certificate_; }
    // The context menus as they would open now: on a folder-list entry (or empty space), on the file
    // list, on the client list. Nothing where the entry has no menu.
    std::unique_ptr<QMenu> FolderMenu(QListWidgetItem* item);
    std::unique_ptr<QMenu> FileMenu();
    std::unique_ptr<QMenu> ClientMenu();

    // Close, Esc and the close box: while the server runs only hides the window, else ends the
    // program.
    void reject() override;
    void setVisible(bool visible) override;

private:
    void BuildWidgets();
    void FillFolders();
    void FillFiles();
    void RefreshUrl();
    void Refresh();
    void ShowCertificate();
    void ShowClients();
    void OnStartToggled(bool checked);
    void OnServerNotice(ServerNotice notice);
    void OnServiceNotice(ServiceNotice notice);
    void OnClientNotices(const std::vector<ClientNoticeRecord>& notices);
    void ShowFolderMenu(const QPoint& at);
    void ShowFileMenu(const QPoint& at);
    void ShowClientMenu(const QPoint& at);
    void AddDynamicFiles();
    void ChooseShownAddress();
    void AskRouter();
    void EditFolder(const std::string& name);
    void ShowServerProperty();
    void ShowAbout();
    void ShowHelp();
    void ShowGuestbookAlarm();
    Ipv4Endpoint SiteAddress() const;
    UrlSelection CurrentSelection() const;

    DesktopActions desktop_;
    std::shared_ptr<WindowEvents> events_;
    std::unique_ptr<Server> server_;
    ClientRows client_rows_;
    bool auto_start_ = false;  // the first attempt to show the window is swallowed
    bool busy_ = false;
    bool quitting_ = false;
    bool alarm_open_ = false;
    std::optional<Ipv4Address> chosen_address_;  // picked with "IP..." for a server on every address
    Ipv4Address default_address_{127, 0, 0, 1};  // shown otherwise; found when the server starts
    std::jthread router_question_;
    std::function<void()> wake_logins_;
    mutable std::mutex listening_lock_;
    std::optional<Ipv4Endpoint> listening_at_;  // under listening_lock_

    QListWidget* folders_ = nullptr;
    QTreeWidget* files_ = nullptr;
    QTreeWidget* clients_ = nullptr;
    QLineEdit* url_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* open_ = nullptr;
    QPushButton* choose_ip_ = nullptr;
    QLabel* certificate_ = nullptr;
    QCheckBox* use_router_ = nullptr;
    QLineEdit* router_address_ = nullptr;
    QPushButton* ask_router_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* server_property_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace vireo
