#include "ui/logbook_window.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <optional>
#include <string>

#include "site/logbook.h"
#include "ui/widget_parts.h"

namespace vireo {
namespace {

constexpr int kMaxSearchCharacters = 254;
constexpr int kMinSearchCharacters = 3;

}  // namespace

EnterTextDialog::EnterTextDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Enter Text"));
    auto* label = new QLabel(QStringLiteral("Text:"), this);
    edit_ = new QLineEdit(this);
    edit_->setMaxLength(kMaxSearchCharacters);
    edit_->setAccessibleName(QStringLiteral("Text:"));
    label->setBuddy(edit_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setEnabled(false);
    connect(edit_, &QLineEdit::textChanged, this, [this] { ok_->setEnabled(CanAccept()); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(edit_);
    layout->addWidget(buttons);
}

QString EnterTextDialog::text() const
{
    return edit_->text().trimmed();
}

bool EnterTextDialog::CanAccept() const
{
    return text().size() >= kMinSearchCharacters;
}

LogbookWindow::LogbookWindow(QWidget* parent, std::function<bool(QWidget*, const QString&)> confirm)
    : QDialog(parent), confirm_(std::move(confirm))
{
    setWindowTitle(QStringLiteral("Logbook"));
    box_ = new QPlainTextEdit(this);
    box_->setReadOnly(true);
    box_->setAccessibleName(QStringLiteral("Records"));
    box_->setLineWrapMode(QPlainTextEdit::NoWrap);
    box_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    box_->setStyleSheet(QStringLiteral("QPlainTextEdit { color: #ffffff; background: #000080; }"));
    auto* refresh = new QPushButton(QStringLiteral("Refresh"), this);
    auto* reset = new QPushButton(QStringLiteral("Reset"), this);
    auto* list = new QPushButton(QStringLiteral("List Records..."), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {refresh, reset, list, close}) {
        button->setAutoDefault(false);
        button->setAccessibleName(button->text());
        buttons->addWidget(button);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box_, 1);
    layout->addLayout(buttons);
    resize(720, 480);

    connect(refresh, &QPushButton::clicked, this, [this] { Refresh(); });
    connect(reset, &QPushButton::clicked, this, [this] { Reset(); });
    connect(list, &QPushButton::clicked, this, [this] {
        EnterTextDialog ask(this);
        if (ask.exec() == QDialog::Accepted) ListRecordsWith(ask.text());
    });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    QTimer::singleShot(100, this, [this] { Refresh(); });
}

void LogbookWindow::Refresh()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // A log that cannot be read leaves the box as it is.
    if (const std::optional<std::string> log = ReadLogbook()) {
        box_->setPlainText(WidgetText(*log));
        box_->verticalScrollBar()->setValue(box_->verticalScrollBar()->maximum());
    }
    QApplication::restoreOverrideCursor();
}

void LogbookWindow::Reset()
{
    const std::optional<std::string> log = ReadLogbook();
    if (log && !log->empty() && !confirm_(this, QStringLiteral("Clear the contents of the logbook?"))) return;
    if (ResetLogbook()) box_->clear();
}

void LogbookWindow::ListRecordsWith(const QString& text)
{
    box_->clear();
    const std::optional<std::string> log = ReadLogbook();
    if (!log) return;
    box_->setPlainText(WidgetText(ListRecords(*log, text.toUtf8().toStdString())));
}

QString LogbookWindow::shown() const
{
    return box_->toPlainText();
}

}  // namespace vireo
