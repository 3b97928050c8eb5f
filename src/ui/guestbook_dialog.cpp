#include "ui/guestbook_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "base/io.h"
#include "base/utf8.h"
#include "platform/regular_file.h"
#include "settings/guestbook_folder.h"
#include "settings/settings.h"
#include "settings/settings_catalog.h"
#include "ui/client_rows.h"
#include "ui/dialog_parts.h"
#include "ui/store_warning.h"
#include "ui/widget_parts.h"

namespace vireo {
namespace {

namespace fs = std::filesystem;

constexpr int kPathRole = Qt::UserRole;
// How much of a message the list shows.
constexpr std::size_t kShownBytes = 255;

struct Message {
    fs::path path;
    timespec written{};
    std::string start;  // the first bytes of the text, and one more to see where a character ends
};

bool Newer(const Message& a, const Message& b)
{
    if (a.written.tv_sec != b.written.tv_sec) return a.written.tv_sec > b.written.tv_sec;
    if (a.written.tv_nsec != b.written.tv_nsec) return a.written.tv_nsec > b.written.tv_nsec;
    return a.path < b.path;
}

// The messages of the guestbook folder that can be read, newest first. The server names every
// message "....txt"; other files and folders there are not messages.
std::vector<Message> ReadMessages(const std::string& folder)
{
    std::vector<Message> messages;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().extension() != ".txt") continue;
        std::optional<RegularFile> file = OpenRegularFile(entry.path().string());
        if (!file) continue;
        Message message{entry.path(), file->last_write, std::string(kShownBytes + 1, '\0')};
        message.start.resize(ReadAllAt(file->fd.get(), message.start.data(), message.start.size(), 0));
        messages.push_back(std::move(message));
    }
    std::ranges::sort(messages, Newer);
    return messages;
}

// A message's beginning on one line, never ending inside a character: its line ends and other
// control bytes shown as spaces.
QString OneLine(std::string_view text)
{
    std::string line(CutUtf8(text, kShownBytes));
    std::ranges::replace_if(
        line, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, ' ');
    return WidgetText(line);
}

QString LocalTimeText(const timespec& when)
{
    const auto since_epoch = std::chrono::seconds(when.tv_sec) + std::chrono::nanoseconds(when.tv_nsec);
    return WidgetText(FormatLocalTime(
        SystemTime(std::chrono::duration_cast<std::chrono::system_clock::duration>(since_epoch))));
}

}  // namespace

GuestbookDialog::GuestbookDialog(QWidget* parent, std::function<void(const QString&)> open_path)
    : QDialog(parent), open_path_(std::move(open_path))
{
    setWindowTitle(QStringLiteral("Guestbook"));
    const QString folder_label_text = QStringLiteral("Save visitors' messages to this folder:");
    const std::string folder = GetGuestbookFolder(false).value_or("");
    folder_ = new QLineEdit(WidgetText(folder), this);
    folder_->setMaxLength(static_cast<int>(setting::kGuestbookDir.MaxBytes()));
    folder_->setAccessibleName(folder_label_text);
    browse_ = LabelledButton(QStringLiteral("..."), this);
    browse_->setAccessibleName(QStringLiteral("Browse for the folder"));
    browse_->setMaximumWidth(browse_->fontMetrics().horizontalAdvance(browse_->text()) * 4);
    explorer_ = LabelledButton(QStringLiteral("Explorer..."), this);
    enable_ = LabelledCheckBox(QStringLiteral("Enable Guestbook"), GetEnableGuestbook(), this);
    alarm_ = LabelledCheckBox(QStringLiteral("Alarm me when message received."), GetGuestbookAlarm(), this);
    messages_ = new QTreeWidget(this);
    messages_->setAccessibleName(QStringLiteral("Received Messages"));
    messages_->setHeaderLabels({QStringLiteral("IP"), QStringLiteral("Time"), QStringLiteral("Content")});
    messages_->setRootIsDecorated(false);
    messages_->setAllColumnsShowFocus(true);
    messages_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    messages_->setSelectionBehavior(QAbstractItemView::SelectRows);
    messages_->header()->resizeSection(0, 110);
    messages_->header()->resizeSection(1, 140);
    messages_->header()->resizeSection(2, 500);
    read_ = LabelledButton(QStringLiteral("Read"), this);
    delete_ = LabelledButton(QStringLiteral("Delete"), this);

    auto* folder_label = new QLabel(folder_label_text, this);
    folder_label->setBuddy(folder_);
    auto* messages_label = new QLabel(QStringLiteral("Received Messages"), this);
    messages_label->setBuddy(messages_);
    auto* folder_row = new QHBoxLayout;
    folder_row->addWidget(folder_, 1);
    folder_row->addWidget(browse_);
    folder_row->addWidget(explorer_);
    auto* message_buttons = new QHBoxLayout;
    message_buttons->addWidget(read_);
    message_buttons->addWidget(delete_);
    message_buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(folder_label);
    layout->addLayout(folder_row);
    layout->addWidget(enable_);
    layout->addWidget(alarm_);
    layout->addWidget(messages_label);
    layout->addWidget(messages_, 1);
    layout->addLayout(message_buttons);
    layout->addWidget(OkCancelButtons(this));
    resize(640, 440);

    connect(browse_, &QPushButton::clicked, this, [this] {
        const QString chosen = ChooseFolderInDialog(this, WidgetText(TypedText(folder_)));
        if (!chosen.isEmpty()) folder_->setText(chosen);
    });
    connect(explorer_, &QPushButton::clicked, this, [this] { open_path_(WidgetText(TypedText(folder_))); });
    connect(folder_, &QLineEdit::textChanged, this, [this] { EnableControls(); });
    connect(messages_, &QTreeWidget::itemSelectionChanged, this, [this] { EnableControls(); });
    connect(messages_, &QTreeWidget::itemDoubleClicked, this, [this] { ReadSelected(); });
    connect(read_, &QPushButton::clicked, this, [this] { ReadSelected(); });
    connect(delete_, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    if (!folder.empty()) FillMessages(folder);
    EnableControls();
}

void GuestbookDialog::FillMessages(const std::string& folder)
{
    for (const Message& message : ReadMessages(folder)) {
        auto* row = new QTreeWidgetItem({WidgetText(message.path.stem().string()),
                                         LocalTimeText(message.written), OneLine(message.start)});
        row->setData(0, kPathRole, QByteArray::fromStdString(message.path.string()));
        messages_->addTopLevelItem(row);
    }
}

void GuestbookDialog::EnableControls()
{
    const bool chosen = !messages_->selectedItems().isEmpty();
    read_->setEnabled(chosen);
    delete_->setEnabled(chosen);
    explorer_->setEnabled(!TypedText(folder_).empty());
}

void GuestbookDialog::ReadSelected()
{
    const QList<QTreeWidgetItem*> chosen = messages_->selectedItems();
    if (!chosen.isEmpty()) open_path_(QFile::decodeName(chosen.front()->data(0, kPathRole).toByteArray()));
}

void GuestbookDialog::DeleteSelected()
{
    const QList<QTreeWidgetItem*> chosen = messages_->selectedItems();
    if (chosen.isEmpty()) return;
    if (QMessageBox::question(this, QStringLiteral("Guestbook"), QStringLiteral("Delete selected messages?"),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        return;
    }
    for (QTreeWidgetItem* row : chosen) {
        std::error_code error;
        fs::remove(fs::path(row->data(0, kPathRole).toByteArray().toStdString()), error);
        // A message that is gone, whoever removed it, leaves the list; one that stays keeps its row.
        if (!error) delete row;
    }
    EnableControls();
}

void GuestbookDialog::accept()
{
    const bool stored = SetEnableGuestbook(enable_->isChecked()) && SetGuestbookAlarm(alarm_->isChecked()) &&
                        SetGuestbookDir(CutUtf8(TypedText(folder_), setting::kGuestbookDir.MaxBytes()));
    if (StoredOrWarn(this, stored)) QDialog::accept();
}

}  // namespace vireo
