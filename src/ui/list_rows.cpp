#include "ui/list_rows.h"

#include <QAbstractItemView>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/widget_parts.h"

namespace vireo {

namespace {

// Each row keeps its address as one number, so reading it back never parses the text shown.
constexpr int kAddressRole = Qt::UserRole;

quint32 Packed(const Ipv4Address& address)
{
    return quint32{address[0]} << 24 | quint32{address[1]} << 16 | quint32{address[2]} << 8 | address[3];
}

}  // namespace

std::vector<int> SelectedRows(const QAbstractItemView* view)
{
    std::vector<int> rows;
    for (const QModelIndex& index : view->selectionModel()->selectedRows()) rows.push_back(index.row());
    std::ranges::sort(rows);
    return rows;
}

void EnableRowButtons(const QAbstractItemView* view, QPushButton* edit, QPushButton* remove)
{
    const std::size_t selected = SelectedRows(view).size();
    if (edit) edit->setEnabled(selected == 1);
    remove->setEnabled(selected >= 1);
}

QLayout* ListWithButtons(QWidget* list, std::initializer_list<QPushButton*> buttons)
{
    auto* column = new QVBoxLayout;
    for (QPushButton* button : buttons) column->addWidget(button);
    column->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addWidget(list, 1);
    row->addLayout(column);
    return row;
}

QListWidget* NewAddressList(const AddressList& addresses, QWidget* parent)
{
    auto* list = new QListWidget(parent);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (const Ipv4Address& address : addresses) AppendAddress(list, address);
    return list;
}

void AppendAddress(QListWidget* list, const Ipv4Address& address)
{
    list->addItem(QString());
    SetAddressAt(list, list->count() - 1, address);
}

void SetAddressAt(QListWidget* list, int row, const Ipv4Address& address)
{
    QListWidgetItem* item = list->item(row);
    item->setText(WidgetText(FormatAddress(address)));
    item->setData(kAddressRole, Packed(address));
}

std::optional<int> FindAddress(const QListWidget* list, const Ipv4Address& address)
{
    for (int row = 0; row < list->count(); ++row) {
        if (AddressAt(list, row) == address) return row;
    }
    return std::nullopt;
}

Ipv4Address AddressAt(const QListWidget* list, int row)
{
    const quint32 packed = list->item(row)->data(kAddressRole).toUInt();
    return {static_cast<std::uint8_t>(packed >> 24), static_cast<std::uint8_t>(packed >> 16),
            static_cast<std::uint8_t>(packed >> 8), static_cast<std::uint8_t>(packed)};
}

AddressList ListedAddresses(const QListWidget* list)
{
    AddressList addresses;
    for (int row = 0; row < list->count(); ++row) addresses.push_back(AddressAt(list, row));
    return addresses;
}

}  // namespace vireo
