#pragma once

// "Client IP Filter": the addresses the server admits only, or refuses, and which of the two.

#include <QDialog>

#include "base/ipv4.h"

class QListWidget;
class QPushButton;
class QRadioButton;

namespace vireo {

// Opens with "IPFilterList" in its stored order and "IPFilterType"; OK stores the list as shown and
// the type together, Cancel nothing.
class IpFilterDialog final : public QDialog {
public:
    explicit IpFilterDialog(QWidget* parent);
    void accept() override;

    // What Add, Edit and Remove do once the IP Address Editor has answered. An address the list has
    // already is selected rather than shown twice.
    void AddAddress(const Ipv4Address& address);
    void ReplaceSelected(const Ipv4Address& address);
    void RemoveSelected();

    QListWidget* addressList() const { return list_; }
    QRadioButton* forbiddenButton() const { return forbidden_; }
    QRadioButton* allowedOnlyButton() const { return allowed_only_; }
    QRadioButton* offButton() const { return off_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* removeButton() const { return remove_; }
    QPushButton* editButton() const { return edit_; }

private:
    void EnableControls();
    // Opens the IP Address Editor for a new address, or for the selected one when editing.
    void AskAddress(bool edit);
    void SelectOnly(int row);

    QListWidget* list_;
    QPushButton* add_;
    QPushButton* remove_;
    QPushButton* edit_;
    QRadioButton* forbidden_;
    QRadioButton* allowed_only_;
    QRadioButton* off_;
};

}  // namespace vireo
