#pragma once

// "Web Community --- As Web Community Host": the members of the owner's own community, the switch
// that lets them log in, and the name and description the host sends them. Every change is stored
// as it is made; closing stores nothing more.

#include <QDialog>
#include <string>

#include "ui/desktop_actions.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace vireo {

class CommunityHostDialog final : public QDialog {
public:
    // `desktop` asks before members are removed and opens their pages.
    CommunityHostDialog(QWidget* parent, DesktopActions desktop);

    // Asks for a new member ID (the Add Member dialog) and adds the member.
    void AddMember();
    // Writes an empty record for a new member ID and shows it as the only selected row.
    void AddMember(const std::string& id);
    // Asks, then deletes every selected member.
    void RemoveSelected();
    // Stores the trimmed name and description the host answers logins with.
    void SaveHostInfo();

    QTableWidget* memberList() const { return list_; }
    QCheckBox* enableBox() const { return enable_; }
    QLineEdit* nameBox() const { return name_; }
    QLineEdit* descriptionBox() const { return description_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* removeButton() const { return remove_; }
    QPushButton* openButton() const { return open_; }
    QPushButton* saveButton() const { return save_; }

private:
    void EnableControls();

    DesktopActions desktop_;
    QTableWidget* list_;
    QCheckBox* enable_;
    QLineEdit* name_;
    QLineEdit* description_;
    QPushButton* add_;
    QPushButton* remove_;
    QPushButton* open_;
    QPushButton* save_;
};

}  // namespace vireo
