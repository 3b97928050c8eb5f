#include "ui/server_property_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "base/utf8.h"
#include "platform/interface_addresses.h"
#include "platform/run_at_logon.h"
#include "settings/settings.h"
#include "settings/settings_catalog.h"
#include "ui/auto_blocker_dialog.h"
#include "ui/dialog_parts.h"
#include "ui/guestbook_dialog.h"
#include "ui/home_page_dialog.h"
#include "ui/ip_filter_dialog.h"
#include "ui/store_warning.h"
#include "ui/users_dialog.h"
#include "ui/widget_parts.h"

namespace vireo {
namespace {

constexpr Ipv4Address kAllAddresses{};

// A file path as it would be stored: trimmed, and no longer than the setting reads back.
std::string TypedPath(const QLineEdit* box, const TextSetting& setting)
{
    return std::string(CutUtf8(TypedText(box), setting.MaxBytes()));
}

// Whether this program can open `path` as a file to read: the server reads it as the same user.
bool ReadableFile(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && std::ifstream(path, std::ios::binary).is_open();
}

}  // namespace

ServerPropertyDialog::ServerPropertyDialog(QWidget* parent, std::optional<Ipv4Endpoint> running,
                                           std::function<void(const QString&)> open_folder)
    : QDialog(parent), running_(running), open_folder_(std::move(open_folder)), ran_at_logon_(IsRunAtLogon())
{
    setWindowTitle(QStringLiteral("WebSite Property"));
    const Ipv4Address current = running_ ? running_->address : GetListenIp();
    // Every address of this computer's adapters and 127.0.0.1; an address stored earlier that no
    // adapter holds now is offered too, so that OK does not silently replace it.
    offered_.push_back(kAllAddresses);
    for (const Ipv4Address& address : OfferedAddresses(InterfaceAddresses())) offered_.push_back(address);
    if (std::ranges::find(offered_, current) == offered_.end()) offered_.push_back(current);
    address_ = new QComboBox(this);
    address_->setAccessibleName(QStringLiteral("IP:"));
    for (const Ipv4Address& address : offered_) {
        address_->addItem(address == kAllAddresses ? QStringLiteral("All addresses")
                                                   : WidgetText(FormatAddress(address)));
    }
    address_->setCurrentIndex(static_cast<int>(std::ranges::find(offered_, current) - offered_.begin()));

    const QString longest_port = QString::number(setting::kListenPort.max);
    port_ = new QLineEdit(QString::number(running_ ? running_->port : GetListenPort()), this);
    port_->setMaxLength(static_cast<int>(longest_port.size()));
    port_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), port_));
    port_->setAccessibleName(QStringLiteral("Port:"));
    address_->setEnabled(!running_);
    port_->setEnabled(!running_);

    keep_log_ = LabelledCheckBox(QStringLiteral("Keep a log-file."), GetEnableLog(), this);
    skip_self_ = LabelledCheckBox(QStringLiteral("Don't log this computer"), !GetLogSelf(), this);
    run_at_logon_ =
        LabelledCheckBox(QStringLiteral("Run at System Boot and Start Server"), ran_at_logon_, this);

    home_page_ = LabelledButton(QStringLiteral("Home Page..."), this);
    guestbook_ = LabelledButton(QStringLiteral("Guestbook..."), this);
    passwords_ = LabelledButton(QStringLiteral("Passwords..."), this);
    ip_filter_ = LabelledButton(QStringLiteral("IP Filter..."), this);
    auto_blocker_ = LabelledButton(QStringLiteral("Auto Blocker..."), this);

    // Both empty: the certificate Vireo makes for itself.
    certificate_ = LabelledBox(QStringLiteral("Certificate file:"),
                               static_cast<int>(setting::kTlsCertificate.MaxBytes()), this);
    certificate_->setText(WidgetText(Read(setting::kTlsCertificate).value_or("")));
    certificate_->setMinimumWidth(300);
    browse_certificate_ = LabelledButton(QStringLiteral("..."), this);
    key_ = LabelledBox(QStringLiteral("Key file:"), static_cast<int>(setting::kTlsKey.MaxBytes()), this);
    key_->setText(WidgetText(Read(setting::kTlsKey).value_or("")));
    browse_key_ = LabelledButton(QStringLiteral("..."), this);
    https_only_ = LabelledCheckBox(QStringLiteral("HTTPS only"), Read(setting::kHttpsOnly), this);

    auto* server_address = new QGroupBox(QStringLiteral("Server Address"), this);
    auto* address_form = new QFormLayout(server_address);
    address_form->addRow(QStringLiteral("IP:"), address_);
    address_form->addRow(QStringLiteral("Port:"), port_);
    auto* settings = new QVBoxLayout;
    settings->addWidget(server_address);
    settings->addWidget(keep_log_);
    settings->addWidget(skip_self_);
    settings->addWidget(run_at_logon_);
    settings->addStretch(1);
    auto* dialogs = new QVBoxLayout;
    for (QPushButton* button : {home_page_, guestbook_, passwords_, ip_filter_, auto_blocker_})
        dialogs->addWidget(button);
    dialogs->addStretch(1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(settings, 1);
    columns->addLayout(dialogs);
    auto* https = new QGroupBox(QStringLiteral("HTTPS"), this);
    auto* https_form = new QFormLayout(https);
    https_form->addRow(QStringLiteral("Certificate file:"), BrowseRow(certificate_, browse_certificate_));
    https_form->addRow(QStringLiteral("Key file:"), BrowseRow(key_, browse_key_));
    https_form->addRow(https_only_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(https);
    layout->addWidget(OkCancelButtons(this));

    connect(home_page_, &QPushButton::clicked, this, [this] { HomePageDialog(this).exec(); });
    connect(guestbook_, &QPushButton::clicked, this, [this] { GuestbookDialog(this, open_folder_).exec(); });
    connect(passwords_, &QPushButton::clicked, this, [this] { UsersDialog(this).exec(); });
    connect(ip_filter_, &QPushButton::clicked, this, [this] { IpFilterDialog(this).exec(); });
    connect(auto_blocker_, &QPushButton::clicked, this, [this] { AutoBlockerDialog(this).exec(); });
    connect(browse_certificate_, &QPushButton::clicked, this, [this] { BrowseForFile(certificate_, key_); });
    connect(browse_key_, &QPushButton::clicked, this, [this] { BrowseForFile(key_, certificate_); });
}

void ServerPropertyDialog::BrowseForFile(QLineEdit* box, const QLineEdit* other)
{
    // The key usually lies beside its certificate: an empty box starts in the other one's folder.
    std::string start = TypedText(box);
    if (start.empty() && !TypedText(other).empty())
        start = std::filesystem::path(TypedText(other)).parent_path().string();
    const QString chosen = choose_file_(this, WidgetText(start));
    if (!chosen.isEmpty()) box->setText(chosen);
}

std::optional<QString> ServerPropertyDialog::RefusedTlsFiles(const std::string& certificate,
                                                             const std::string& key) const
{
    if (certificate.empty() != key.empty())
        return QStringLiteral("Give both the certificate file and the key file, or neither.");
    if (!certificate.empty() && !ReadableFile(certificate))
        return QStringLiteral("The certificate file can not be read.");
    if (!key.empty() && !ReadableFile(key)) return QStringLiteral("The key file can not be read.");
    return std::nullopt;
}

void ServerPropertyDialog::accept()
{
    const std::string certificate = TypedPath(certificate_, setting::kTlsCertificate);
    const std::string key = TypedPath(key_, setting::kTlsKey);
    if (const std::optional<QString> refused = RefusedTlsFiles(certificate, key)) {
        inform_(this, *refused);
        return;
    }
    bool stored = true;
    if (!running_) {
        // An empty box stores 0, which the server reads as its default port; a number above the
        // highest port stores the highest rather than wrapping around.
        stored = SetListenPort(std::min<std::uint32_t>(port_->text().toUInt(), setting::kListenPort.max));
        const int chosen = address_->currentIndex();
        stored = SetListenIp(chosen >= 0 ? offered_.at(static_cast<std::size_t>(chosen)) : kAllAddresses) &&
                 stored;
    }
    stored = SetEnableLog(keep_log_->isChecked()) && stored;
    stored = SetLogSelf(!skip_self_->isChecked()) && stored;
    stored = Write(setting::kTlsCertificate, certificate) && stored;
    stored = Write(setting::kTlsKey, key) && stored;
    stored = Write(setting::kHttpsOnly, https_only_->isChecked()) && stored;
    if (run_at_logon_->isChecked() != ran_at_logon_)
        stored = SetRunAtLogon(run_at_logon_->isChecked()) && stored;
    if (StoredOrWarn(this, stored)) QDialog::accept();
}

}  // namespace vireo
