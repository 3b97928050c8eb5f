#include "ui/chat_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "base/ascii_case.h"
#include "base/text_helpers.h"
#include "base/utf8.h"
#include "community/chat/chat_room.h"
#include "settings/settings.h"
#include "settings/settings_catalog.h"
#include "ui/dialog_parts.h"
#include "ui/widget_parts.h"

namespace vireo {
namespace {

// The capacity typed into the start dialog, when it is one the room takes.
std::optional<std::uint32_t> TypedCapacity(const QString& text)
{
    bool number = false;
    const uint value = text.toUInt(&number);
    if (!number || value < kMinChatCapacity || value > kMaxChatCapacity) return std::nullopt;
    return value;
}

}  // namespace

StartChatDialog::StartChatDialog(QWidget* parent, std::shared_ptr<ServerEvents> owner)
    : QDialog(parent), owner_(std::move(owner))
{
    setWindowTitle(QStringLiteral("Start Webchat"));
    members_ = new QLineEdit(QStringLiteral("16"), this);
    members_->setMaxLength(3);
    members_->setAccessibleName(QStringLiteral("Maximum Members:"));
    QDialogButtonBox* buttons = OkCancelButtons(this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Maximum Members:"), members_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(members_, &QLineEdit::textChanged, this,
            [this] { ok_->setEnabled(TypedCapacity(members_->text()).has_value()); });
}

void StartChatDialog::accept()
{
    const std::optional<std::uint32_t> capacity = TypedCapacity(members_->text());
    if (!capacity) return;
    SetChatRoomMaxMember(*capacity);
    SiteChatRoom().Start(owner_, *capacity);
    QDialog::accept();
}

ChatManagementDialog::ChatManagementDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Webchat Management"));
    welcome_ = new QPlainTextEdit(this);
    welcome_->setAccessibleName(QStringLiteral("Welcome Message"));
    welcome_->setPlainText(WidgetText(GetWebChatWelcomeMsg().value_or("")));
    members_ = new QTreeWidget(this);
    members_->setAccessibleName(QStringLiteral("Chat Room Members"));
    members_->setHeaderLabels({QStringLiteral("ID"), QStringLiteral("Name"), QStringLiteral("IP")});
    members_->setRootIsDecorated(false);
    members_->setAllColumnsShowFocus(true);
    members_->header()->resizeSection(0, 100);
    members_->header()->setSectionsClickable(true);
    copy_ip_ = LabelledButton(QStringLiteral("Copy IP"), this);
    disconnect_ = LabelledButton(QStringLiteral("Disconnect"), this);
    block_ = LabelledButton(QStringLiteral("Block"), this);
    auto_start_ = new QCheckBox(QStringLiteral("Automatically starts Webchat"), this);
    auto_start_->setAccessibleName(auto_start_->text());
    auto_start_->setChecked(GetAutoStartChatRoom());
    auto* close = LabelledButton(QStringLiteral("Close"), this);

    auto* welcome_label = new QLabel(QStringLiteral("Welcome Message"), this);
    welcome_label->setBuddy(welcome_);
    auto* members_label = new QLabel(QStringLiteral("Chat Room Members"), this);
    members_label->setBuddy(members_);
    auto* member_buttons = new QHBoxLayout;
    member_buttons->addWidget(copy_ip_);
    member_buttons->addWidget(disconnect_);
    member_buttons->addWidget(block_);
    member_buttons->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(auto_start_);
    bottom->addStretch(1);
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(welcome_label);
    layout->addWidget(welcome_, 1);
    layout->addWidget(members_label);
    layout->addWidget(members_, 2);
    layout->addLayout(member_buttons);
    layout->addLayout(bottom);
    resize(520, 440);

    // The room's answer to a disconnect arrives on the room's thread and is carried to this one.
    events_ = std::make_shared<WindowEvents>(
        this, WindowEvents::Receivers{[](ServerNotice) {},
                                      [this](ServiceNotice notice) {
                                          if (notice != ServiceNotice::ChatEvictionHandled) return;
                                          busy_ = false;
                                          QApplication::restoreOverrideCursor();
                                          Refill();
                                      },
                                      [](const auto&) {}});
    connect(members_, &QTreeWidget::itemSelectionChanged, this, [this] { EnableButtons(); });
    connect(members_->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (rows_.size() >= 2) SortBy(column);
    });
    connect(copy_ip_, &QPushButton::clicked, this, [this] {
        if (const QTreeWidgetItem* row = members_->currentItem())
            QGuiApplication::clipboard()->setText(row->text(2));
    });
    connect(disconnect_, &QPushButton::clicked, this, [this] { EvictSelected(false); });
    connect(block_, &QPushButton::clicked, this, [this] { EvictSelected(true); });
    connect(close, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
    Refill();
}

ChatManagementDialog::~ChatManagementDialog()
{
    events_->Detach();
    if (busy_) QApplication::restoreOverrideCursor();
}

void ChatManagementDialog::Refill()
{
    rows_ = SiteChatRoom().IsRunning() ? SiteChatRoom().Members() : std::vector<ChatMember>{};
    SortBy(sorted_by_);
}

void ChatManagementDialog::SortBy(int column)
{
    sorted_by_ = column;
    std::ranges::stable_sort(rows_, [column](const ChatMember& a, const ChatMember& b) {
        switch (column) {
            case 1:
                return CompareIgnoreCase(a.name, b.name) < 0;
            case 2:
                return CompareIgnoreCase(FormatAddress(a.address), FormatAddress(b.address)) < 0;
            default:
                return a.id < b.id;
        }
    });
    members_->clear();
    for (const ChatMember& member : rows_) {
        auto* row = new QTreeWidgetItem(
            {QString::number(member.id), WidgetText(member.name), WidgetText(FormatAddress(member.address))});
        row->setData(0, Qt::UserRole, member.id);
        members_->addTopLevelItem(row);
    }
    EnableButtons();
}

void ChatManagementDialog::EnableButtons()
{
    const bool chosen = !busy_ && members_->currentItem() != nullptr && !members_->selectedItems().isEmpty();
    copy_ip_->setEnabled(chosen);
    disconnect_->setEnabled(chosen);
    block_->setEnabled(chosen);
    members_->setEnabled(!busy_);
}

void ChatManagementDialog::EvictSelected(bool block)
{
    const QTreeWidgetItem* row = members_->currentItem();
    if (busy_ || !row) return;
    busy_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    EnableButtons();
    SiteChatRoom().PostEvict({row->data(0, Qt::UserRole).toUInt(), block, events_});
}

void ChatManagementDialog::done(int result)
{
    std::string welcome = Trimmed(welcome_->toPlainText().toUtf8().toStdString());
    SetWebChatWelcomeMsg(CutUtf8(welcome, setting::kWebChatWelcomeMsg.MaxBytes()));
    SetAutoStartChatRoom(auto_start_->isChecked());
    QDialog::done(result);
}

}  // namespace vireo
