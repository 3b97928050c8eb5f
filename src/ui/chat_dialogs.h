#pragma once

// The chat room's two dialogs: starting the room for a number of members, and managing it (the
// welcome message, the members with their disconnect and block, starting with the server).

#include <QDialog>
#include <memory>
#include <vector>

#include "community/chat/chat_member.h"
#include "ui/window_events.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace vireo {

// "Start Webchat": "Maximum Members:" opens with 16; OK only for a number from 2 to 999. OK stores
// it as "ChatRoomMaxMember" and starts the room for that many members, telling `owner`.
class StartChatDialog final : public QDialog {
public:
    StartChatDialog(QWidget* parent, std::shared_ptr<ServerEvents> owner);
    void accept() override;
    QLineEdit* membersBox() const { return members_; }
    QPushButton* okButton() const { return ok_; }

private:
    std::shared_ptr<ServerEvents> owner_;
    QLineEdit* members_;
    QPushButton* ok_;
};

// "Webchat Management".
class ChatManagementDialog final : public QDialog {
public:
    explicit ChatManagementDialog(QWidget* parent);
    ~ChatManagementDialog() override;

    // Stores the welcome message (trimmed) and the start-with-the-server switch, and closes.
    void done(int result) override;
    // Asks the room to disconnect (or block) the selected member; the dialog waits for the answer.
    void EvictSelected(bool block);
    // Orders the rows by a column (0: id, as numbers; 1: name; 2: address; ASCII case ignored).
    void SortBy(int column);
    void Refill();

    QTreeWidget* memberList() const { return members_; }
    QPlainTextEdit* welcomeBox() const { return welcome_; }
    QCheckBox* autoStartBox() const { return auto_start_; }
    bool busy() const { return busy_; }

private:
    void EnableButtons();

    std::shared_ptr<WindowEvents> events_;
    std::vector<ChatMember> rows_;
    int sorted_by_ = 0;
    bool busy_ = false;
    QPlainTextEdit* welcome_;
    QTreeWidget* members_;
    QPushButton* copy_ip_;
    QPushButton* disconnect_;
    QPushButton* block_;
    QCheckBox* auto_start_;
};

}  // namespace vireo
