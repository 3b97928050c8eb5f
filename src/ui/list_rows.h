#pragma once

// The lists of the settings dialogs: rows chosen for Edit and Remove, and lists of addresses.

#include <initializer_list>
#include <optional>
#include <vector>

#include "settings/address_list.h"

class QAbstractItemView;
class QLayout;
class QListWidget;
class QPushButton;
class QWidget;

namespace vireo {

// The selected rows of a list or table, top to bottom.
std::vector<int> SelectedRows(const QAbstractItemView* view);
// "Edit" only with exactly one selected row (none when the dialog has no such button), "Remove"
// with at least one.
void EnableRowButtons(const QAbstractItemView* view, QPushButton* edit, QPushButton* remove);

// A list taking the room left, with its buttons in a column to its right.
QLayout* ListWithButtons(QWidget* list, std::initializer_list<QPushButton*> buttons);

// A list of addresses shown as dotted quads in their order, any number of them selectable at once.
QListWidget* NewAddressList(const AddressList& addresses, QWidget* parent);
void AppendAddress(QListWidget* list, const Ipv4Address& address);
// Shows another address in a row.
void SetAddressAt(QListWidget* list, int row, const Ipv4Address& address);
// The row showing the address; nothing when no row does.
std::optional<int> FindAddress(const QListWidget* list, const Ipv4Address& address);
// The address a row shows.
Ipv4Address AddressAt(const QListWidget* list, int row);
// Every address of the list, top to bottom.
AddressList ListedAddresses(const QListWidget* list);

}  // namespace vireo
