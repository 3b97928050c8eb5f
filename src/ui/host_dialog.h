#pragma once

// "Web Community --- Add/Update Host": one community the owner's server logs in to as a member:
// the login (member ID and the host's login address) and what the server tells that host about its
// own site (name, page, icon, description).

#include <QDialog>

#include "community/web_community/community_records.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace vireo {

class HostDialog final : public QDialog {
public:
    // Adds a host record: it starts as a login to the maker's test community.
    explicit HostDialog(QWidget* parent);
    // Changes the record `host`, whose ID may change too.
    HostDialog(QWidget* parent, CommunityHost host);

    // Takes the edited record while the ID has at least 2 bytes and the login address at least
    // 12 (both trimmed), and no other host record has that ID. The name and description are
    // trimmed; what the host sent and the login time stay as they were.
    void accept() override;
    // The record taken by OK; in update mode, before OK, the record as it was.
    const CommunityHost& host() const { return host_; }
    // The ID of the record being changed; empty in add mode.
    const std::string& oldId() const { return old_id_; }

    QLineEdit* idBox() const { return id_; }
    QLineEdit* loginUrlBox() const { return login_url_; }
    QLineEdit* nameBox() const { return name_; }
    QComboBox* pageBox() const { return page_; }
    QComboBox* iconBox() const { return icon_; }
    QLineEdit* descriptionBox() const { return description_; }
    QPushButton* okButton() const { return ok_; }

private:
    HostDialog(QWidget* parent, CommunityHost host, std::string old_id);
    bool Acceptable() const;
    void EnableControls();

    CommunityHost host_;
    std::string old_id_;
    QLineEdit* id_;
    QLineEdit* login_url_;
    QLineEdit* name_;
    QComboBox* page_;
    QComboBox* icon_;
    QLineEdit* description_;
    QPushButton* ok_;
};

}  // namespace vireo
