#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <expected>
#include <filesystem>
#include <system_error>

#include "base/number_format.h"
#include "base/product.h"
#include "base/text_helpers.h"
#include "community/chat/chat_room.h"
#include "platform/interface_addresses.h"
#include "platform/type_names.h"
#include "platform/xdg_paths.h"
#include "settings/address_list.h"
#include "settings/dynamic_files.h"
#include "settings/extension_settings.h"
#include "settings/settings.h"
#include "settings/settings_folders.h"
#include "site/site_tls.h"
#include "ui/chat_dialogs.h"
#include "ui/community_host_dialog.h"
#include "ui/community_member_dialog.h"
#include "ui/dynamic_file_dialog.h"
#include "ui/extension_dialog.h"
#include "ui/folder_property_dialog.h"
#include "ui/logbook_window.h"
#include "ui/select_ip_dialog.h"
#include "ui/server_property_dialog.h"
#include "ui/widget_parts.h"

namespace vireo {
namespace {

namespace fs = std::filesystem;

constexpr int kKindRole = Qt::UserRole;
constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kDirectoryRole = Qt::UserRole + 2;

const QString kCaption = QStringLiteral("Vireo");
const QString kMenuTip = QStringLiteral("Right click an item to display the menu.");

std::string Utf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

QString FileTimeText(const fs::path& path)
{
    std::error_code error;
    const auto written = fs::last_write_time(path, error);
    if (error) return {};
    const auto system = std::chrono::file_clock::to_sys(written);
    return WidgetText(
        FormatLocalTime(std::chrono::time_point_cast<SystemTime::duration>(system)).substr(0, 16));
}

// One row of the file list: its columns and what its address is made of.
QTreeWidgetItem* FileRow(const fs::path& path, const QString& shown, FileListEntry::Kind kind,
                         const QString& key)
{
    std::error_code error;
    const bool directory = fs::is_directory(path, error);
    auto* row = new QTreeWidgetItem;
    row->setText(0, shown);
    row->setText(1, WidgetText(TypeNameFor(path.filename().string(), directory)));
    if (!directory) {
        const std::uintmax_t size = fs::file_size(path, error);
        if (!error) row->setText(2, WidgetText(FormatGrouped(size)));
    }
    row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    row->setText(3, FileTimeText(path));
    static const QFileIconProvider icons;
    row->setIcon(0, icons.icon(QFileInfo(QString::fromStdString(path.string()))));
    row->setData(0, kKindRole, static_cast<int>(kind));
    row->setData(0, kPathRole, key);
    row->setData(0, kDirectoryRole, directory);
    return row;
}

}  // namespace

MainWindow::MainWindow(ServerSetup setup, bool auto_start, DesktopActions desktop)
    : desktop_(std::move(desktop)), auto_start_(auto_start)
{
    setWindowTitle(kCaption);
    setWindowIcon(QIcon::fromTheme(QStringLiteral("quillmark-vireo")));
    events_ = std::make_shared<WindowEvents>(
        this, WindowEvents::Receivers{
                  [this](ServerNotice notice) { OnServerNotice(notice); },
                  [this](ServiceNotice notice) { OnServiceNotice(notice); },
                  [this](const std::vector<ClientNoticeRecord>& notices) { OnClientNotices(notices); }});
    server_ = std::make_unique<Server>(events_, std::move(setup));
    BuildWidgets();
    status_->setText(QStringLiteral("Server is not working."));
    FillFolders();
    RefreshUrl();
    Refresh();
    if (auto_start_) SetServerRunning(true);
}

MainWindow::~MainWindow()
{
    // The widgets go after the server: focus moving between them must not ask for an address.
    disconnect(qApp, nullptr, this, nullptr);
    events_->Detach();
    if (busy_) QApplication::restoreOverrideCursor();
}

void MainWindow::BuildWidgets()
{
    folders_ = new QListWidget(this);
    folders_->setAccessibleName(QStringLiteral("Folders"));
    folders_->setToolTip(kMenuTip);
    folders_->setContextMenuPolicy(Qt::CustomContextMenu);

    files_ = new QTreeWidget(this);
    files_->setAccessibleName(QStringLiteral("Files"));
    files_->setHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("Type"), QStringLiteral("Size"), QStringLiteral("Time")});
    files_->setRootIsDecorated(false);
    files_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    files_->setToolTip(kMenuTip);
    files_->setContextMenuPolicy(Qt::CustomContextMenu);
    files_->header()->resizeSection(0, 190);
    files_->header()->resizeSection(1, 130);
    files_->header()->resizeSection(2, 100);
    files_->header()->resizeSection(3, 120);

    clients_ = new QTreeWidget(this);
    clients_->setAccessibleName(QStringLiteral("Clients"));
    clients_->setHeaderLabels({QStringLiteral("Time"), QStringLiteral("IP"), QStringLiteral("Action"),
                               QStringLiteral("Object"), QStringLiteral("Progress")});
    clients_->setRootIsDecorated(false);
    clients_->setToolTip(kMenuTip);
    clients_->setContextMenuPolicy(Qt::CustomContextMenu);
    clients_->header()->resizeSection(0, 140);
    clients_->header()->resizeSection(1, 100);
    clients_->header()->resizeSection(2, 60);
    clients_->header()->resizeSection(3, 260);
    clients_->headerItem()->setTextAlignment(4, Qt::AlignRight | Qt::AlignVCenter);

    auto* url_label = new QLabel(QStringLiteral("URL:"), this);
    url_ = new QLineEdit(this);
    url_->setReadOnly(true);
    url_->setAccessibleName(QStringLiteral("URL:"));
    url_label->setBuddy(url_);
    copy_ = LabelledButton(QStringLiteral("Copy"), this);
    open_ = LabelledButton(QStringLiteral("Open"), this);
    choose_ip_ = LabelledButton(QStringLiteral("IP..."), this);
    auto* certificate_label = new QLabel(QStringLiteral("Certificate:"), this);
    certificate_ = new QLabel(this);
    certificate_->setAccessibleName(QStringLiteral("Certificate:"));
    certificate_->setTextFormat(Qt::PlainText);
    // Selectable, so the owner can copy the fingerprint and send it to a visitor.
    certificate_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    certificate_->setWordWrap(true);
    certificate_label->setBuddy(certificate_);
    use_router_ = new QCheckBox(QStringLiteral("Router:"), this);
    use_router_->setAccessibleName(QStringLiteral("Router:"));
    router_address_ = new QLineEdit(this);
    router_address_->setAccessibleName(QStringLiteral("Router address"));
    ask_router_ = LabelledButton(QStringLiteral("Get..."), this);
    start_ = LabelledButton(QStringLiteral("Start Server"), this);
    start_->setCheckable(true);
    server_property_ = LabelledButton(QStringLiteral("Server Property"), this);
    auto* about = LabelledButton(QStringLiteral("About..."), this);
    auto* help = LabelledButton(QStringLiteral("Help..."), this);
    auto* close = LabelledButton(QStringLiteral("Close"), this);
    status_ = new QLabel(this);
    status_->setAccessibleName(QStringLiteral("Status"));
    status_->setTextFormat(Qt::PlainText);

    auto* lists = new QSplitter(Qt::Horizontal, this);
    lists->addWidget(folders_);
    lists->addWidget(files_);
    lists->setSizes({190, 610});
    auto* url_row = new QHBoxLayout;
    url_row->addWidget(url_label);
    url_row->addWidget(url_, 1);
    url_row->addWidget(copy_);
    url_row->addWidget(open_);
    url_row->addWidget(choose_ip_);
    auto* router_row = new QHBoxLayout;
    router_row->addWidget(use_router_);
    router_row->addWidget(router_address_, 1);
    router_row->addWidget(ask_router_);
    auto* certificate_row = new QHBoxLayout;
    certificate_row->addWidget(certificate_label);
    certificate_row->addWidget(certificate_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start_);
    buttons->addWidget(server_property_);
    buttons->addStretch(1);
    buttons->addWidget(about);
    buttons->addWidget(help);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lists, 3);
    layout->addLayout(url_row);
    layout->addLayout(router_row);
    layout->addLayout(certificate_row);
    layout->addWidget(clients_, 2);
    layout->addLayout(buttons);
    layout->addWidget(status_);
    // Wide enough for a certificate fingerprint on one line.
    resize(820, 560);

    connect(folders_, &QListWidget::currentItemChanged, this, [this] {
        FillFiles();
        RefreshUrl();
    });
    connect(files_, &QTreeWidget::itemSelectionChanged, this, [this] { RefreshUrl(); });
    connect(qApp, &QApplication::focusChanged, this, [this] { RefreshUrl(); });
    connect(folders_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowFolderMenu(at); });
    connect(files_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowFileMenu(at); });
    connect(clients_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowClientMenu(at); });
    connect(copy_, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(url_->text()); });
    connect(open_, &QPushButton::clicked, this, [this] { desktop_.open_url(url_->text()); });
    connect(choose_ip_, &QPushButton::clicked, this, [this] { ChooseShownAddress(); });
    connect(use_router_, &QCheckBox::toggled, this, [this] { RefreshUrl(); });
    connect(router_address_, &QLineEdit::textChanged, this, [this] {
        Refresh();
        RefreshUrl();
    });
    connect(ask_router_, &QPushButton::clicked, this, [this] { AskRouter(); });
    connect(start_, &QPushButton::clicked, this, [this](bool checked) { OnStartToggled(checked); });
    connect(server_property_, &QPushButton::clicked, this, [this] { ShowServerProperty(); });
    connect(about, &QPushButton::clicked, this, [this] { ShowAbout(); });
    connect(help, &QPushButton::clicked, this, [this] { ShowHelp(); });
    connect(close, &QPushButton::clicked, this, [this] { reject(); });
}

void MainWindow::FillFolders()
{
    const QString current = folders_->currentItem() ? folders_->currentItem()->text() : QString();
    folders_->clear();
    for (FolderEntryKind kind : {FolderEntryKind::DynamicFiles, FolderEntryKind::Webchat,
                                 FolderEntryKind::WebCommunity, FolderEntryKind::Extension}) {
        folders_->addItem(WidgetText(FolderEntryText(kind)));
    }
    for (int i = 0;; ++i) {
        const std::optional<std::string> name = EnumFolderName(i);
        if (!name) break;
        folders_->addItem(WidgetText(*name));
    }
    const QList<QListWidgetItem*> again = folders_->findItems(current, Qt::MatchExactly);
    if (!again.isEmpty()) folders_->setCurrentItem(again.front());
}

void MainWindow::FillFiles()
{
    files_->clear();
    const QListWidgetItem* folder = folders_->currentItem();
    if (!folder) return;
    const std::string name = Utf8(folder->text());
    std::error_code error;
    switch (KindOfFolderEntry(name)) {
        case FolderEntryKind::DynamicFiles:
            for (int i = 0;; ++i) {
                const std::optional<std::pair<std::string, DynamicFile>> file = EnumDynamicFile(i);
                if (!file) break;
                files_->addTopLevelItem(FileRow(file->second.path, WidgetText(file->first),
                                                FileListEntry::Kind::DynamicFile, WidgetText(file->first)));
            }
            return;
        case FolderEntryKind::Extension:
            if (const std::optional<std::string> extensions = GetExtensionFolder()) {
                for (const fs::directory_entry& entry : fs::directory_iterator(*extensions, error)) {
                    const QString file = WidgetText(entry.path().filename().string());
                    files_->addTopLevelItem(
                        FileRow(entry.path(), file, FileListEntry::Kind::ExtensionFile, file));
                }
            }
            break;
        case FolderEntryKind::SharedFolder:
            if (const std::optional<std::string> path = GetFolderPath(name)) {
                for (const fs::directory_entry& entry : fs::directory_iterator(*path, error)) {
                    const QString file = WidgetText(entry.path().filename().string());
                    files_->addTopLevelItem(
                        FileRow(entry.path(), file, FileListEntry::Kind::FolderFile, file));
                }
            }
            break;
        case FolderEntryKind::Webchat:
        case FolderEntryKind::WebCommunity:
            return;
    }
    files_->sortItems(0, Qt::AscendingOrder);
}

Ipv4Endpoint MainWindow::SiteAddress() const
{
    const Ipv4Address configured = GetListenIp();
    Ipv4Endpoint site{configured, server_->BoundAddress().port};
    if (configured == Ipv4Address{}) site.address = chosen_address_.value_or(default_address_);
    return site;
}

UrlSelection MainWindow::CurrentSelection() const
{
    UrlSelection selection;
    if (const QListWidgetItem* folder = folders_->currentItem(); folder && folder->isSelected()) {
        selection.folder_name = Utf8(folder->text());
        selection.folder_kind = KindOfFolderEntry(selection.folder_name);
    }
    const QList<QTreeWidgetItem*> chosen = files_->selectedItems();
    if (!chosen.isEmpty()) {
        const QTreeWidgetItem* file = chosen.front();
        FileListEntry entry;
        entry.kind = static_cast<FileListEntry::Kind>(file->data(0, kKindRole).toInt());
        entry.name = Utf8(file->data(0, kPathRole).toString());
        entry.folder = selection.folder_name;
        entry.path = entry.name;
        entry.directory = file->data(0, kDirectoryRole).toBool();
        selection.file = entry;
    }
    selection.focus = files_->hasFocus()     ? ListFocus::Files
                      : folders_->hasFocus() ? ListFocus::Folders
                                             : ListFocus::Neither;
    return selection;
}

void MainWindow::RefreshUrl()
{
    const bool running = IsServerRunning();
    const ShownServices services{SiteChatRoom().IsRunning(), GetAsWebCommHost() || GetAsWebCommMember(),
                                 GetExtensionFolder().has_value()};
    const RouterChoice router{use_router_->isEnabled(), use_router_->isChecked(),
                              Utf8(router_address_->text())};
    const Ipv4Endpoint site = SiteAddress();
    url_->setText(WidgetText(ShownUrl(running, site, CurrentSelection(), services, router)));
    {
        std::lock_guard guard(listening_lock_);
        listening_at_ = running ? std::optional(site) : std::nullopt;
    }
    copy_->setEnabled(running);
    open_->setEnabled(running);
}

void MainWindow::Refresh()
{
    use_router_->setEnabled(!router_address_->text().isEmpty());
    choose_ip_->setEnabled(IsServerRunning() && GetListenIp() == Ipv4Address{});
}

std::optional<Ipv4Endpoint> MainWindow::ListeningAt() const
{
    std::lock_guard guard(listening_lock_);
    return listening_at_;
}

bool MainWindow::IsServerRunning() const
{
    return server_->IsRunning();
}

QString MainWindow::StatusText() const
{
    return status_->text();
}

QString MainWindow::ShownUrlText() const
{
    return url_->text();
}

void MainWindow::ShowCertificate()
{
    // Loading the files takes a few milliseconds (more when the certificate is made on first use):
    // done when the server starts and when the owner changes the files, never per refresh.
    if (!IsServerRunning()) {
        certificate_->clear();
        return;
    }
    const std::expected<std::string, std::string> loaded = LoadSiteCertificate();
    certificate_->setText(loaded ? WidgetText(*loaded) : WidgetText("HTTPS is off: " + loaded.error()));
}

void MainWindow::SetServerRunning(bool run)
{
    start_->setChecked(run);
    OnStartToggled(run);
}

void MainWindow::OnStartToggled(bool checked)
{
    const bool running = IsServerRunning();
    if (busy_) {
        start_->setChecked(running);
        return;
    }
    if (checked && !running) {
        busy_ = true;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        server_->Start();
    } else if (!checked && running) {
        if (!desktop_.confirm(this, QStringLiteral("This will stop your Web server\r\nAre you sure?"))) {
            start_->setChecked(true);
            return;
        }
        busy_ = true;
        SiteChatRoom().Stop();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        server_->RequestStop();
    }
}

void MainWindow::Quit()
{
    quitting_ = true;
    SiteChatRoom().Stop();
    if (!IsServerRunning()) {
        QCoreApplication::quit();
        return;
    }
    if (!busy_) {
        busy_ = true;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    server_->RequestStop();
}

void MainWindow::OnServerNotice(ServerNotice notice)
{
    const bool was_busy = busy_;
    busy_ = false;
    if (was_busy) QApplication::restoreOverrideCursor();
    client_rows_.Clear();
    ShowClients();
    switch (notice) {
        case ServerNotice::Listening:
            // Asked of the system once per start, not at every refresh of the address box.
            default_address_ = DefaultShownAddress();
            status_->setText(
                QStringLiteral("Server is working on port %1").arg(server_->BoundAddress().port));
            start_->setChecked(true);
            if (GetAutoStartChatRoom() && !SiteChatRoom().IsRunning())
                SiteChatRoom().Start(events_, GetChatRoomMaxMember());
            break;
        case ServerNotice::StartFailed: {
            // Asked to end while the server was starting: no message may hold the end up.
            if (quitting_) {
                QCoreApplication::quit();
                break;
            }
            auto_start_ = false;
            const int error = server_->LastStartError();
            status_->setText(QStringLiteral("Server Error: %1 ").arg(error));
            start_->setChecked(false);
            BringToFront();
            desktop_.inform(
                this, QStringLiteral("Failed starting server on port %1. Error = %2.\r\n\r\nPlease click the "
                                     "[Server Property] button, change the port number, and try again.")
                          .arg(GetListenPort())
                          .arg(error));
            break;
        }
        case ServerNotice::Stopped:
            status_->setText(QStringLiteral("Server is not working."));
            start_->setChecked(false);
            if (quitting_) QCoreApplication::quit();
            break;
    }
    RefreshUrl();
    Refresh();
    ShowCertificate();
    if (notice == ServerNotice::Listening && wake_logins_) wake_logins_();
}

void MainWindow::OnServiceNotice(ServiceNotice notice)
{
    switch (notice) {
        case ServiceNotice::GuestbookMessage:
            ShowGuestbookAlarm();
            return;
        case ServiceNotice::ChatWakeHost:
            // The room asks at most once in 30 seconds; the page is this server's own.
            if (IsServerRunning()) desktop_.open_url(WidgetText(FormatSiteUrl(SiteAddress()) + "WebChat/"));
            return;
        case ServiceNotice::ChatStarted:
        case ServiceNotice::ChatEnded:
            RefreshUrl();
            return;
        case ServiceNotice::ChatEvictionHandled:
            return;
    }
}

void MainWindow::ShowGuestbookAlarm()
{
    BringToFront();
    // Any visitor can post as often as they like: one box at a time, later alarms only raise it.
    if (alarm_open_) return;
    alarm_open_ = true;
    desktop_.inform(this, QStringLiteral("There is a new message in your guestbook."));
    alarm_open_ = false;
}

void MainWindow::OnClientNotices(const std::vector<ClientNoticeRecord>& notices)
{
    for (const auto& [notice, client] : notices) {
        switch (notice) {
            case ClientNotice::Connected:
                client_rows_.Connected(client.socket, client.connected_at, client.peer.address);
                break;
            case ClientNotice::StateChanged:
                client_rows_.StateChanged(client.socket, client.state, client.url);
                break;
            case ClientNotice::Progress:
                client_rows_.Progress(client.socket, client.sent, client.total);
                break;
            case ClientNotice::Closed:
                client_rows_.Closed(client.socket);
                break;
        }
    }
    ShowClients();
}

void MainWindow::ShowClients()
{
    clients_->clear();
    for (const ClientRow& row : client_rows_.rows()) {
        auto* item = new QTreeWidgetItem({WidgetText(row.time), WidgetText(row.ip), WidgetText(row.action),
                                          WidgetText(row.object), WidgetText(row.progress)});
        item->setTextAlignment(4, Qt::AlignRight | Qt::AlignVCenter);
        clients_->addTopLevelItem(item);
    }
}

void MainWindow::BringToFront()
{
    auto_start_ = false;
    show();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
}

void MainWindow::setVisible(bool visible)
{
    // Started with "auto", the window stays hidden until something shows it again.
    if (visible && auto_start_) {
        auto_start_ = false;
        return;
    }
    QDialog::setVisible(visible);
}

void MainWindow::reject()
{
    // Closing while the server runs only hides the window: the server goes on.
    if (IsServerRunning()) {
        hide();
        return;
    }
    QDialog::reject();
    QCoreApplication::quit();
}

void MainWindow::ShowFolderMenu(const QPoint& at)
{
    if (std::unique_ptr<QMenu> menu = FolderMenu(folders_->itemAt(at)))
        menu->exec(folders_->viewport()->mapToGlobal(at));
}

void MainWindow::AddDynamicFiles()
{
    for (const QString& file : QFileDialog::getOpenFileNames(this, QStringLiteral("Add Files")))
        AddDynamicFile(Utf8(file));
    FillFiles();
}

std::unique_ptr<QMenu> MainWindow::FolderMenu(QListWidgetItem* item)
{
    const FolderEntryKind kind = item ? KindOfFolderEntry(Utf8(item->text())) : FolderEntryKind::SharedFolder;
    auto menu = std::make_unique<QMenu>(this);
    switch (kind) {
        case FolderEntryKind::SharedFolder: {
            const QList<QListWidgetItem*> chosen = folders_->selectedItems();
            menu->addAction(QStringLiteral("Add a Folder..."), this, [this] { EditFolder({}); });
            QAction* edit = menu->addAction(QStringLiteral("Folder Property..."), this,
                                            [this, item] { EditFolder(Utf8(item->text())); });
            QAction* remove = menu->addAction(QStringLiteral("Remove Folders"), this, [this, chosen] {
                if (!desktop_.confirm(this, QStringLiteral("Remove selected folders from the web server?")))
                    return;
                for (const QListWidgetItem* folder : chosen) DeleteFolder(Utf8(folder->text()));
                FillFolders();
                FillFiles();
            });
            QAction* explore = menu->addAction(QStringLiteral("Start Explorer"), this, [this, item] {
                if (const std::optional<std::string> path = GetFolderPath(Utf8(item->text())))
                    desktop_.open_folder(WidgetText(*path));
            });
            edit->setEnabled(item != nullptr);
            remove->setEnabled(item != nullptr);
            explore->setEnabled(item != nullptr);
            break;
        }
        case FolderEntryKind::DynamicFiles: {
            menu->addAction(QStringLiteral("Add Files..."), this, [this] { AddDynamicFiles(); });
            QAction* listed = menu->addAction(QStringLiteral("Allow list files"), this,
                                              [](bool on) { SetDynamicFolderVisible(on); });
            listed->setCheckable(true);
            listed->setChecked(GetDynamicFolderVisible());
            break;
        }
        case FolderEntryKind::Webchat: {
            ChatRoom& room = SiteChatRoom();
            QAction* start = menu->addAction(QStringLiteral("Start Webchat..."), this, [this] {
                StartChatDialog ask(this, events_);
                ask.exec();
            });
            menu->addAction(QStringLiteral("Manage..."), this, [this] {
                ChatManagementDialog manage(this);
                manage.exec();
            });
            QAction* stop =
                menu->addAction(QStringLiteral("Stop Webchat"), this, [] { SiteChatRoom().Stop(); });
            start->setEnabled(IsServerRunning() && !room.IsRunning());
            stop->setEnabled(room.IsRunning());
            break;
        }
        case FolderEntryKind::WebCommunity:
            menu->addAction(QStringLiteral("As Host..."), this, [this] {
                CommunityHostDialog host(this, desktop_);
                host.exec();
            });
            menu->addAction(QStringLiteral("As Member..."), this, [this] {
                CommunityMemberDialog member(this, desktop_, [this] {
                    if (wake_logins_) wake_logins_();
                });
                member.exec();
            });
            break;
        case FolderEntryKind::Extension:
            menu->addAction(QStringLiteral("Configure..."), this, [this] {
                ExtensionDialog configure(this);
                if (configure.exec() == QDialog::Accepted) FillFiles();
            });
            break;
    }
    return menu;
}

void MainWindow::ShowFileMenu(const QPoint& at)
{
    if (std::unique_ptr<QMenu> menu = FileMenu()) menu->exec(files_->viewport()->mapToGlobal(at));
}

std::unique_ptr<QMenu> MainWindow::FileMenu()
{
    const QListWidgetItem* folder = folders_->currentItem();
    if (!folder || KindOfFolderEntry(Utf8(folder->text())) != FolderEntryKind::DynamicFiles) return nullptr;
    auto menu = std::make_unique<QMenu>(this);
    menu->addAction(QStringLiteral("Add Files..."), this, [this] { AddDynamicFiles(); });
    const QList<QTreeWidgetItem*> chosen = files_->selectedItems();
    QAction* remove = menu->addAction(QStringLiteral("Remove Files"), this, [this, chosen] {
        for (const QTreeWidgetItem* file : chosen)
            DeleteDynamicFile(Utf8(file->data(0, kPathRole).toString()));
        FillFiles();
    });
    remove->setEnabled(!chosen.isEmpty());
    QAction* property = menu->addAction(QStringLiteral("Property..."), this, [this, chosen] {
        DynamicFilePropertyDialog property_dialog(this, Utf8(chosen.front()->data(0, kPathRole).toString()));
        if (property_dialog.exec() == QDialog::Accepted) FillFiles();
    });
    property->setEnabled(chosen.size() == 1);
    return menu;
}

void MainWindow::ShowClientMenu(const QPoint& at)
{
    ClientMenu()->exec(clients_->viewport()->mapToGlobal(at));
}

std::unique_ptr<QMenu> MainWindow::ClientMenu()
{
    const QTreeWidgetItem* row = clients_->currentItem();
    std::optional<Ipv4Address> address;
    if (Ipv4Address parsed; row && ParseAddress(Utf8(row->text(1)), parsed)) address = parsed;
    auto menu = std::make_unique<QMenu>(this);
    QAction* block = menu->addAction(QStringLiteral("Add to block list"), this, [address] {
        if (address) AddToIpFilterList(*address);
    });
    block->setEnabled(address && GetIpFilterType() == IpFilterType::Forbidden);
    QAction* copy = menu->addAction(QStringLiteral("Copy IP"), this,
                                    [row] { QGuiApplication::clipboard()->setText(row->text(1)); });
    copy->setEnabled(row != nullptr);
    QAction* clear = menu->addAction(QStringLiteral("Clear List"), this, [this] {
        client_rows_.Clear();
        ShowClients();
    });
    clear->setEnabled(clients_->topLevelItemCount() > 0);
    menu->addAction(QStringLiteral("Open Logbook"), this, [this] {
        LogbookWindow logbook(this, desktop_.confirm);
        logbook.exec();
    });
    return menu;
}

void MainWindow::ChooseShownAddress()
{
    SelectIpDialog select(this, OfferedAddresses(InterfaceAddresses()), SiteAddress().address);
    if (select.exec() != 1) return;
    chosen_address_ = select.chosen();
    RefreshUrl();
    Refresh();
}

void MainWindow::EditFolder(const std::string& name)
{
    FolderPropertyDialog folder(this, name);
    // A new folder starts with the folder chooser, over the dialog once it shows.
    if (name.empty()) QTimer::singleShot(0, &folder, [&folder] { folder.BrowseForFolder(); });
    if (folder.exec() != QDialog::Accepted) return;
    FillFolders();
    FillFiles();
}

void MainWindow::ShowServerProperty()
{
    ServerPropertyDialog property(this, ListeningAt(), desktop_.open_folder);
    const bool accepted = property.exec() == QDialog::Accepted;
    Refresh();
    if (accepted) ShowCertificate();
}

void MainWindow::AskRouter()
{
    ask_router_->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The router may take seconds to answer: the question goes on a thread of its own, the answer
    // comes back to the window's.
    router_question_ = std::jthread([this] {
        const std::optional<Ipv4Address> answer = desktop_.ask_router();
        QMetaObject::invokeMethod(
            this,
            [this, answer] {
                QApplication::restoreOverrideCursor();
                ask_router_->setEnabled(true);
                if (answer) router_address_->setText(WidgetText(FormatAddress(*answer)));
                Refresh();
            },
            Qt::QueuedConnection);
    });
}

void MainWindow::ShowAbout()
{
    QMessageBox about(this);
    about.setWindowTitle(QStringLiteral("About Vireo"));
    about.setIconPixmap(windowIcon().pixmap(48, 48));
    about.setTextFormat(Qt::RichText);
    about.setText(QStringLiteral("Vireo  Version %1<br><a href=\"%2\">%2</a>")
                      .arg(QStringLiteral(VIREO_VERSION), WidgetText(kMakerUrl)));
    about.setTextInteractionFlags(Qt::TextBrowserInteraction);
    about.exec();
}

void MainWindow::ShowHelp()
{
    // The manual lies beside the program when it was installed for one user, and in the system's
    // documentation when it came with the Debian package.
    std::vector<fs::path> places;
    if (const std::optional<fs::path> program = GetProgramPath())
        places.push_back(program->parent_path() / "vireo-manual.html");
    places.emplace_back("/usr/share/doc/quillmark-vireo/manual.html");
    for (const fs::path& manual : places) {
        std::error_code error;
        if (!fs::is_regular_file(manual, error)) continue;
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(manual.string())));
        return;
    }
    desktop_.inform(this, QStringLiteral("Help document file not found."));
}

}  // namespace vireo
