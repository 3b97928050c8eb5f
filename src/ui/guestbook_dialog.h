#pragma once

// "Guestbook": where visitors' messages are kept, whether the guestbook takes them and raises the
// alarm, and the messages received, newest first, to read and delete.

#include <QDialog>
#include <functional>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace vireo {

class GuestbookDialog final : public QDialog {
public:
    // `open_path` hands a local folder or file to the desktop (the folder to the file manager, a
    // message to the program that opens text).
    GuestbookDialog(QWidget* parent, std::function<void(const QString&)> open_path);

    // Stores both switches and the folder as typed.
    void accept() override;
    // Opens the first selected message.
    void ReadSelected();
    // Asks "Delete selected messages?" and, on Yes, deletes every selected message file.
    void DeleteSelected();

    QLineEdit* folderBox() const { return folder_; }
    QCheckBox* enableBox() const { return enable_; }
    QCheckBox* alarmBox() const { return alarm_; }
    QTreeWidget* messageList() const { return messages_; }
    QPushButton* readButton() const { return read_; }
    QPushButton* deleteButton() const { return delete_; }
    QPushButton* browseButton() const { return browse_; }
    QPushButton* explorerButton() const { return explorer_; }

private:
    void FillMessages(const std::string& folder);
    void EnableControls();

    std::function<void(const QString&)> open_path_;
    QLineEdit* folder_;
    QPushButton* browse_;
    QPushButton* explorer_;
    QCheckBox* enable_;
    QCheckBox* alarm_;
    QTreeWidget* messages_;
    QPushButton* read_;
    QPushButton* delete_;
};

}  // namespace vireo
