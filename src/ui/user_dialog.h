#pragma once

// "User & Password": one account of the password protection, added or edited.

#include <QDialog>

#include "settings/settings_users.h"

class QLineEdit;
class QPushButton;

namespace vireo {

// "User Name:" and "Password:" take 250 characters each; OK only when the trimmed name has at least
// 3 characters and no ":", and the trimmed password at least 6. Stores nothing: the Users &
// Passwords dialog reads account().
class UserDialog final : public QDialog {
public:
    // Empty for a new account; showing `account` when one is edited.
    UserDialog(QWidget* parent, const UserAccount& account);
    // The account as typed, trimmed.
    UserAccount account() const;
    void accept() override;

    QLineEdit* nameBox() const { return name_; }
    QLineEdit* passwordBox() const { return password_; }
    QPushButton* okButton() const { return ok_; }

private:
    bool Acceptable() const;

    QLineEdit* name_;
    QLineEdit* password_;
    QPushButton* ok_;
};

}  // namespace vireo
