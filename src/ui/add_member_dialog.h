#pragma once

// "Web Community --- Add Member": a new member ID for the host's community.

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

namespace vireo {

class AddMemberDialog final : public QDialog {
public:
    explicit AddMemberDialog(QWidget* parent);
    // Takes the trimmed ID while it has more than 2 bytes and no member has it yet.
    void accept() override;
    // The ID taken by OK.
    const std::string& memberId() const { return id_; }

    QLineEdit* idBox() const { return box_; }
    QPushButton* okButton() const { return ok_; }

private:
    std::string id_;
    QLineEdit* box_;
    QPushButton* ok_;
};

}  // namespace vireo
