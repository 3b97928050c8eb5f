#pragma once

// "Users & Passwords": the accounts that may open a password-protected site, and the switch that
// asks for them.

#include <QDialog>
#include <vector>

#include "settings/settings_users.h"

class QCheckBox;
class QPushButton;
class QTableWidget;

namespace vireo {

// Opens with the stored accounts and "Use Passwords"; OK makes the stored accounts exactly the
// listed ones and stores the switch, Cancel stores nothing. The rows are in name order, letter case
// ignored, as the store keeps them.
class UsersDialog final : public QDialog {
public:
    explicit UsersDialog(QWidget* parent);
    void accept() override;

    // What Add, Edit and Remove do once the User & Password dialog has answered. An account whose
    // name is listed already (in any letter case) takes the place of that row.
    void AddAccount(const UserAccount& account);
    void ReplaceSelected(const UserAccount& account);
    void RemoveSelected();

    QTableWidget* userList() const { return list_; }
    QCheckBox* enableBox() const { return enable_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* editButton() const { return edit_; }
    QPushButton* removeButton() const { return remove_; }

private:
    void EnableControls();
    // Opens the User & Password dialog for a new account, or for the selected one when editing.
    void AskAccount(bool edit);
    // Shows the rows in name order and selects the one named `selected`, if any.
    void Refill(std::string_view selected);

    std::vector<UserAccount> accounts_;
    QTableWidget* list_;
    QCheckBox* enable_;
    QPushButton* add_;
    QPushButton* edit_;
    QPushButton* remove_;
};

}  // namespace vireo
