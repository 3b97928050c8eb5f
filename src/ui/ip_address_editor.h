#pragma once

// "IP Address Editor": one address of the client IP filter, typed as a dotted quad.

#include <QDialog>
#include <optional>

#include "base/ipv4.h"

class QLineEdit;
class QPushButton;

namespace vireo {

// The box takes at most 15 characters; OK only for exactly four decimal fields of 0 to 255 separated
// by dots (spaces around them are trimmed). Stores nothing: the filter dialog reads address().
class IpAddressEditor final : public QDialog {
public:
    // Empty for a new address, showing `address` when one is edited.
    IpAddressEditor(QWidget* parent, const std::optional<Ipv4Address>& address);
    // The address typed, when the text is one.
    std::optional<Ipv4Address> address() const;
    void accept() override;

    QLineEdit* addressBox() const { return box_; }
    QPushButton* okButton() const { return ok_; }

private:
    QLineEdit* box_;
    QPushButton* ok_;
};

}  // namespace vireo
