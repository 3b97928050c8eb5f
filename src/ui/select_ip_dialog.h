#pragma once

// "Select IP": which of this computer's addresses the window shows in its URLs while the server
// listens on every address.

#include <QDialog>
#include <optional>
#include <vector>

#include "base/ipv4.h"

class QListWidget;
class QPushButton;

namespace vireo {

class SelectIpDialog final : public QDialog {
public:
    // Lists `offered` in their order, with `shown` selected when it is among them.
    SelectIpDialog(QWidget* parent, std::vector<Ipv4Address> offered, Ipv4Address shown);

    // OK ends the dialog with 1 when an address is selected, 2 when none is; Cancel gives 0.
    void accept() override;
    // The address selected when OK was pressed.
    std::optional<Ipv4Address> chosen() const { return chosen_; }

    QListWidget* addressList() const { return list_; }
    QPushButton* okButton() const { return ok_; }

private:
    std::vector<Ipv4Address> offered_;
    std::optional<Ipv4Address> chosen_;
    QListWidget* list_;
    QPushButton* ok_;
};

}  // namespace vireo
