#pragma once

// The record lists of the two web community dialogs (the host's members, the member's hosts) and
// their switches. Most of what the lists show came from other machines, so every cell is plain text.

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QTableWidget;
class QWidget;

namespace vireo {

struct DesktopActions;

struct ListColumn {
    QString label;
    int width;  // pixels; the last column also takes what is left of the list's width
    bool right_aligned = false;
    QString widest = {};  // a text the column must show whole
};

// "Last Login", right-aligned, wide enough for a login time.
ListColumn LoginTimeColumn();

// A list with whole-row selection and grid lines, any number of rows selectable. Clicking a column
// header orders the rows by that column's text, letter case ignored, when there are two or more.
QTableWidget* NewRecordList(QWidget* parent, const QString& name, const std::vector<ListColumn>& columns);

// Fills a row with a record's texts (program text, UTF-8), one per column; the row keeps the
// record's ID as stored, for RowId.
void ShowRecordRow(QTableWidget* list, int row, const std::string& id, const std::vector<std::string>& texts);
// Adds such a row at the end; returns its number.
int AddRecordRow(QTableWidget* list, const std::string& id, const std::vector<std::string>& texts);
// Scrolls the row into view and makes it the only selected row.
void SelectOnlyRow(QTableWidget* list, int row);
std::string RowId(const QTableWidget* list, int row);
// The row when exactly one is selected.
std::optional<int> SingleSelectedRow(const QTableWidget* list);
// The address in a column of the only selected row, when it is a web address: only those go to
// the browser, since the address came from another machine.
std::optional<std::string> SelectedWebAddress(const QTableWidget* list, int column);

// A check box whose every click stores its state with `store` at once.
QCheckBox* StoredSwitch(const QString& label, bool checked, const std::function<bool(bool)>& store,
                        QWidget* parent);

// Asks "Remove selected items?" and, on Yes, removes each selected row whose record `remove`
// deleted from the store.
void RemoveSelectedRecords(QTableWidget* list, QWidget* parent, const DesktopActions& desktop,
                           const std::function<bool(std::string_view id)>& remove);

}  // namespace vireo
