#include "ui/community_member_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "community/web_community/community_rules.h"
#include "community/web_community/community_store.h"
#include "settings/settings.h"
#include "ui/community_lists.h"
#include "ui/host_dialog.h"
#include "ui/list_rows.h"
#include "ui/store_warning.h"
#include "ui/widget_parts.h"

namespace vireo {
namespace {

// The columns of the host list.
enum HostColumn { kId, kName, kDescription, kLoginUrl, kLastLogin, kHostName, kHostPage, kHostDescription };

std::vector<std::string> HostTexts(const CommunityHost& host)
{
    return {host.id,
            host.site_name,
            host.description,
            host.login_url,
            FormatLoginTime(host.last_login),
            host.host_name,
            host.host_page,
            host.host_description};
}

}  // namespace

CommunityMemberDialog::CommunityMemberDialog(QWidget* parent, DesktopActions desktop,
                                             std::function<void()> wake_logins)
    : QDialog(parent), desktop_(std::move(desktop)), wake_logins_(std::move(wake_logins))
{
    setWindowTitle(QStringLiteral("Web Community --- As Web Community Member"));
    const QString list_name = QStringLiteral("You are a member of these Web Communities");
    list_ = NewRecordList(this, list_name,
                          {{QStringLiteral("Member ID"), 100},
                           {QStringLiteral("Member Name"), 120},
                           {QStringLiteral("Member Description"), 160},
                           {QStringLiteral("Login URL"), 160},
                           LoginTimeColumn(),
                           {QStringLiteral("Host Name"), 120},
                           {QStringLiteral("Host Page"), 160},
                           {QStringLiteral("Host Description"), 160}});
    for (const CommunityHost& host : ListHosts()) AddRecordRow(list_, host.id, HostTexts(host));
    enable_ = StoredSwitch(QStringLiteral("Enable as Web Community Member."), GetAsWebCommMember(),
                           SetAsWebCommMember, this);
    add_ = LabelledButton(QStringLiteral("Add"), this);
    edit_ = LabelledButton(QStringLiteral("Edit"), this);
    open_ = LabelledButton(QStringLiteral("Open"), this);
    remove_ = LabelledButton(QStringLiteral("Remove"), this);
    close_ = LabelledButton(QStringLiteral("Close"), this);

    auto* list_label = new QLabel(list_name, this);
    list_label->setBuddy(list_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add_);
    buttons->addWidget(edit_);
    buttons->addWidget(open_);
    buttons->addWidget(remove_);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_label);
    layout->addWidget(list_, 1);
    layout->addWidget(enable_);
    layout->addLayout(buttons);
    resize(860, 420);

    connect(list_, &QTableWidget::itemSelectionChanged, this, [this] { EnableControls(); });
    connect(add_, &QPushButton::clicked, this, [this] { AddHost(); });
    connect(edit_, &QPushButton::clicked, this, [this] { EditSelected(); });
    connect(open_, &QPushButton::clicked, this, [this] {
        if (std::optional<std::string> address = SelectedWebAddress(list_, kHostPage))
            desktop_.open_url(WidgetText(*address));
    });
    connect(remove_, &QPushButton::clicked, this, [this] { RemoveSelected(); });
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    EnableControls();
}

void CommunityMemberDialog::done(int result)
{
    if (wake_logins_) wake_logins_();
    QDialog::done(result);
}

void CommunityMemberDialog::EnableControls()
{
    EnableRowButtons(list_, edit_, remove_);
    open_->setEnabled(SelectedWebAddress(list_, kHostPage).has_value());
}

void CommunityMemberDialog::AddHost()
{
    HostDialog ask(this);
    if (ask.exec() == QDialog::Accepted) AddHost(ask.host());
}

void CommunityMemberDialog::AddHost(const CommunityHost& host)
{
    if (!StoredOrWarn(this, WriteHost(host))) return;
    SelectOnlyRow(list_, AddRecordRow(list_, host.id, HostTexts(host)));
}

void CommunityMemberDialog::EditSelected()
{
    const std::optional<int> row = SingleSelectedRow(list_);
    if (!row) return;
    const std::string old_id = RowId(list_, *row);
    // The record as stored now: a login may have changed it since the list was filled.
    std::optional<CommunityHost> stored = FindHost(old_id);
    if (!stored) return;
    HostDialog ask(this, *stored);
    if (ask.exec() == QDialog::Accepted) StoreEdit(*row, old_id, ask.host());
}

void CommunityMemberDialog::StoreEdit(int row, const std::string& old_id, const CommunityHost& host)
{
    if (!StoredOrWarn(this, ReplaceHost(old_id, host))) return;
    ShowRecordRow(list_, row, host.id, HostTexts(host));
    EnableControls();
}

void CommunityMemberDialog::RemoveSelected()
{
    // A record someone else removed meanwhile goes from the list too.
    RemoveSelectedRecords(list_, this, desktop_,
                          [](std::string_view id) { return DeleteHost(id) || !FindHost(id); });
}

}  // namespace vireo
