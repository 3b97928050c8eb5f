#include "ui/community_host_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "base/utf8.h"
#include "community/web_community/community_rules.h"
#include "community/web_community/community_store.h"
#include "settings/settings.h"
#include "settings/settings_catalog.h"
#include "ui/add_member_dialog.h"
#include "ui/community_lists.h"
#include "ui/dialog_parts.h"
#include "ui/list_rows.h"
#include "ui/store_warning.h"
#include "ui/widget_parts.h"

namespace vireo {
namespace {

// The columns of the member list.
enum MemberColumn { kId, kName, kUrl, kLastLogin, kDescription };

// A host name shorter than this is no name.
constexpr std::size_t kMinHostNameLength = 3;

std::vector<std::string> MemberTexts(const CommunityMember& member)
{
    return {member.id, member.name, member.page, FormatLoginTime(member.last_login), member.description};
}

QLineEdit* TextBox(const TextSetting& setting, const QString& label, QWidget* parent)
{
    auto* box = new QLineEdit(WidgetText(Read(setting).value_or("")), parent);
    box->setMaxLength(static_cast<int>(setting.MaxBytes()));
    box->setAccessibleName(label);
    return box;
}

}  // namespace

CommunityHostDialog::CommunityHostDialog(QWidget* parent, DesktopActions desktop)
    : QDialog(parent), desktop_(std::move(desktop))
{
    setWindowTitle(QStringLiteral("Web Community --- As Web Community Host"));
    const QString list_name = QStringLiteral("Members In Your Web Community");
    list_ = NewRecordList(this, list_name,
                          {{QStringLiteral("ID"), 100},
                           {QStringLiteral("Name"), 100},
                           {QStringLiteral("URL"), 180},
                           LoginTimeColumn(),
                           {QStringLiteral("Description"), 160}});
    for (const CommunityMember& member : ListMembers()) AddRecordRow(list_, member.id, MemberTexts(member));
    add_ = LabelledButton(QStringLiteral("Add"), this);
    remove_ = LabelledButton(QStringLiteral("Remove"), this);
    open_ = LabelledButton(QStringLiteral("Open"), this);
    enable_ = StoredSwitch(QStringLiteral("Enable as Web Community Host"), GetAsWebCommHost(),
                           SetAsWebCommHost, this);
    name_ = TextBox(setting::kWebCommNameAsHost, QStringLiteral("Name:"), this);
    name_->setToolTip(QStringLiteral("Members accept a host name only up to 31 characters."));
    description_ = TextBox(setting::kWebCommDescAsHost, QStringLiteral("Description:"), this);
    save_ = LabelledButton(QStringLiteral("Save"), this);
    auto* close = LabelledButton(QStringLiteral("Close"), this);

    auto* list_label = new QLabel(list_name, this);
    list_label->setBuddy(list_);
    auto* list_buttons = new QHBoxLayout;
    list_buttons->addWidget(add_);
    list_buttons->addWidget(remove_);
    list_buttons->addWidget(open_);
    list_buttons->addStretch(1);
    auto* info = new QGroupBox(QStringLiteral("Host Info"), this);
    auto* info_form = new QFormLayout;
    info_form->addRow(QStringLiteral("Name:"), name_);
    info_form->addRow(QStringLiteral("Description:"), description_);
    auto* info_layout = new QHBoxLayout(info);
    info_layout->addLayout(info_form, 1);
    info_layout->addWidget(save_, 0, Qt::AlignBottom);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_label);
    layout->addWidget(list_, 1);
    layout->addLayout(list_buttons);
    layout->addWidget(enable_);
    layout->addWidget(info);
    layout->addLayout(bottom);
    resize(720, 460);

    connect(list_, &QTableWidget::itemSelectionChanged, this, [this] { EnableControls(); });
    connect(name_, &QLineEdit::textChanged, this, [this] { EnableControls(); });
    connect(add_, &QPushButton::clicked, this, [this] { AddMember(); });
    connect(remove_, &QPushButton::clicked, this, [this] { RemoveSelected(); });
    connect(open_, &QPushButton::clicked, this, [this] {
        if (std::optional<std::string> address = SelectedWebAddress(list_, kUrl))
            desktop_.open_url(WidgetText(*address));
    });
    connect(save_, &QPushButton::clicked, this, [this] { SaveHostInfo(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    EnableControls();
}

void CommunityHostDialog::EnableControls()
{
    EnableRowButtons(list_, nullptr, remove_);
    open_->setEnabled(SelectedWebAddress(list_, kUrl).has_value());
    save_->setEnabled(TypedText(name_).size() >= kMinHostNameLength);
}

void CommunityHostDialog::AddMember()
{
    AddMemberDialog ask(this);
    if (ask.exec() == QDialog::Accepted) AddMember(ask.memberId());
}

void CommunityHostDialog::AddMember(const std::string& id)
{
    CommunityMember member;
    member.id = id;
    if (!StoredOrWarn(this, WriteMember(member))) return;
    SelectOnlyRow(list_, AddRecordRow(list_, member.id, MemberTexts(member)));
}

void CommunityHostDialog::RemoveSelected()
{
    // A member someone else removed meanwhile goes from the list too.
    RemoveSelectedRecords(list_, this, desktop_,
                          [](std::string_view id) { return DeleteMember(id) || !FindMember(id); });
}

void CommunityHostDialog::SaveHostInfo()
{
    const std::string name = TypedText(name_);
    if (name.size() < kMinHostNameLength) return;
    const std::string description = TypedText(description_);
    StoredOrWarn(this,
                 SetWebCommNameAsHost(CutUtf8(name, setting::kWebCommNameAsHost.MaxBytes())) &&
                     SetWebCommDescAsHost(CutUtf8(description, setting::kWebCommDescAsHost.MaxBytes())));
}

}  // namespace vireo
