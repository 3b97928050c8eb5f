#pragma once

// "WebSite Property": the address and port the server listens on, logging, starting at log-on,
// the certificate HTTPS serves, and the way to the dialogs of the home page, the guestbook and
// access control.

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/ipv4.h"
#include "ui/dialog_parts.h"

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

    // Stores the three switches, the HTTPS files and switch and, while the server is stopped, the
    // address and the port. One HTTPS file without the other, or one that cannot be read, is refused
    // with a message: nothing is stored and the dialog stays open as it is.
    void accept() override;

    void setFileChooser(FileChooser chooser) { choose_file_ = std::move(chooser); }
    void setInform(InformUser inform) { inform_ = std::move(inform); }

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
    QLineEdit* certificateBox() const { return certificate_; }
    QLineEdit* keyBox() const { return key_; }
    QPushButton* certificateBrowseButton() const { return browse_certificate_; }
    QPushButton* keyBrowseButton() const { return browse_key_; }
    QCheckBox* httpsOnlyBox() const { return https_only_; }

private:
    // What each "..." beside an HTTPS file does: asks for a file, which then fills the box.
    void BrowseForFile(QLineEdit* box, const QLineEdit* other);
    // Why the HTTPS files as they would be stored cannot be; nothing when they can.
    std::optional<QString> RefusedTlsFiles(const std::string& certificate, const std::string& key) const;

    FileChooser choose_file_ = ChooseFileInDialog;
    InformUser inform_ = InformInMessageBox;
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
    QLineEdit* certificate_;
    QPushButton* browse_certificate_;
    QLineEdit* key_;
    QPushButton* browse_key_;
    QCheckBox* https_only_;
};

}  // namespace vireo
