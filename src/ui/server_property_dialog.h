#pragma once

// "WebSite Property": the address and port the server listens on, logging, starting at log-on,
// and the way to the dialogs of the home page, the guestbook and access control.

#include <QDialog>
#include <functional>
#include <optional>
#include <vector>

#include "base/ipv4.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace vireo {

class ServerPropertyDialog final : public QDialog {
public:
    // `running` is where the server listens while it runs (nothing when it is stopped): its address
    // and port are then shown and cannot be changed. `open_folder` goes to the Guestbook dialog.
    ServerPropertyDialog(QWidget* parent, std::optional<Ipv4Endpoint> running,
                         std::function<void(const QString&)> open_folder);

    // Stores the three switches and, while the server is stopped, the address and the port.
    void accept() override;

    QComboBox* addressList() const { return address_; }
    QLineEdit* portBox() const { return port_; }
    QCheckBox* keepLogBox() const { return keep_log_; }
    QCheckBox* skipSelfBox() const { return skip_self_; }
    QCheckBox* runAtLogonBox() const { return run_at_logon_; }
    QPushButton* homePageButton() const { return home_page_; }
    QPushButton* guestbookButton() const { return guestbook_; }
    QPushButton* passwordsButton() const { return passwords_; }
    QPushButton* ipFilterButton() const { return ip_filter_; }
    QPushButton* autoBlockerButton() const { return auto_blocker_; }

private:
    std::optional<Ipv4Endpoint> running_;
    std::function<void(const QString&)> open_folder_;
    std::vector<Ipv4Address> offered_;  // the address of each entry of the list
    bool ran_at_logon_;                 // as found on opening: only a change is written
    QComboBox* address_;
    QLineEdit* port_;
    QCheckBox* keep_log_;
    QCheckBox* skip_self_;
    QCheckBox* run_at_logon_;
    QPushButton* home_page_;
    QPushButton* guestbook_;
    QPushButton* passwords_;
    QPushButton* ip_filter_;
    QPushButton* auto_blocker_;
};

}  // namespace vireo
