#pragma once

// "Auto Blocker": the addresses the server blocked on its own, and the switch that turns blocking on.

#include <QDialog>

#include "settings/address_list.h"

class QCheckBox;
class QListWidget;
class QPushButton;

namespace vireo {

// Opens with "AutoBlockList" and "Use AutoBlockList". OK stores the switch and takes out of the
// stored list only the addresses removed here: the server may block another address while the
// dialog is open, and that one stays blocked. Cancel stores nothing.
class AutoBlockerDialog final : public QDialog {
public:
    explicit AutoBlockerDialog(QWidget* parent);
    void accept() override;
    void RemoveSelected();

    QListWidget* addressList() const { return list_; }
    QPushButton* removeButton() const { return remove_; }
    QCheckBox* enableBox() const { return enable_; }

private:
    void EnableControls();

    AddressList removed_;
    QListWidget* list_;
    QPushButton* remove_;
    QCheckBox* enable_;
};

}  // namespace vireo
