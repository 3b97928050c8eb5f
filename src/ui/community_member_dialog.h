#pragma once

// "Web Community --- As Web Community Member": the communities the owner's server logs in to, what
// each host answered at the last login, and the switch that lets the server log in at all. Every
// change is stored as it is made; closing wakes the login thread, so the changes are tried at once.

#include <QDialog>
#include <functional>

#include "community/web_community/community_records.h"
#include "ui/desktop_actions.h"

class QCheckBox;
class QPushButton;
class QTableWidget;

namespace vireo {

class CommunityMemberDialog final : public QDialog {
public:
    // `desktop` asks before records are removed and opens the hosts' pages; `wake_logins` starts a
    // login pass.
    CommunityMemberDialog(QWidget* parent, DesktopActions desktop, std::function<void()> wake_logins);

    // Wakes the login thread, however the dialog closes.
    void done(int result) override;

    // Asks for a new host record (the Add/Update Host dialog) and adds it.
    void AddHost();
    // Asks for changes to the selected record and stores them.
    void EditSelected();
    // Asks, then deletes every selected record.
    void RemoveSelected();
    // Stores a new record and shows it as the only selected row.
    void AddHost(const CommunityHost& host);
    // Stores an edited record in place of the row's, which had the ID `old_id`, in one store
    // transaction, and redraws the row.
    void StoreEdit(int row, const std::string& old_id, const CommunityHost& host);

    QTableWidget* hostList() const { return list_; }
    QCheckBox* enableBox() const { return enable_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* editButton() const { return edit_; }
    QPushButton* openButton() const { return open_; }
    QPushButton* removeButton() const { return remove_; }
    QPushButton* closeButton() const { return close_; }

private:
    void EnableControls();

    DesktopActions desktop_;
    std::function<void()> wake_logins_;
    QTableWidget* list_;
    QCheckBox* enable_;
    QPushButton* add_;
    QPushButton* edit_;
    QPushButton* open_;
    QPushButton* remove_;
    QPushButton* close_;
};

}  // namespace vireo
