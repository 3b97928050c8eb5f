#pragma once

// The logbook's window: the records as the log file holds them, the records that hold a text, and
// emptying the file.

#include <QDialog>
#include <functional>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vireo {

// The "Enter Text" question of "List Records...": at most 254 characters, blanks around cut off,
// OK only while at least 3 remain.
class EnterTextDialog final : public QDialog {
public:
    explicit EnterTextDialog(QWidget* parent = nullptr);
    // The text as it will be searched for: trimmed.
    QString text() const;
    bool CanAccept() const;

private:
    QLineEdit* edit_;
    QPushButton* ok_;
};

class LogbookWindow final : public QDialog {
public:
    // `confirm` asks a yes/no question (true for yes).
    LogbookWindow(QWidget* parent, std::function<bool(QWidget*, const QString&)> confirm);

    // The window's three commands.
    void Refresh();
    void Reset();
    // Shows the records that hold `text`; nothing is asked.
    void ListRecordsWith(const QString& text);

    QString shown() const;

private:
    QPlainTextEdit* box_;
    std::function<bool(QWidget*, const QString&)> confirm_;
};

}  // namespace vireo
