#include "ui/community_lists.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QTableWidget>
#include <algorithm>
#include <ranges>

#include "community/web_community/web_address.h"
#include "ui/desktop_actions.h"
#include "ui/list_rows.h"
#include "ui/store_warning.h"
#include "ui/widget_parts.h"

namespace vireo {
namespace {

// Each row's first cell keeps the record's ID as the store spells it.
constexpr int kIdRole = Qt::UserRole;

// A cell that orders by its text with letter case ignored, as the lists sort.
class RecordCell final : public QTableWidgetItem {
public:
    explicit RecordCell(const QString& text) : QTableWidgetItem(text) {}
    bool operator<(const QTableWidgetItem& other) const override
    {
        return text().compare(other.text(), Qt::CaseInsensitive) < 0;
    }
};

}  // namespace

ListColumn LoginTimeColumn()
{
    return {QStringLiteral("Last Login"), 120, true, QStringLiteral("0000-00-00 00:00:00")};
}

QTableWidget* NewRecordList(QWidget* parent, const QString& name, const std::vector<ListColumn>& columns)
{
    auto* list = new QTableWidget(0, static_cast<int>(columns.size()), parent);
    list->setAccessibleName(name);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setShowGrid(true);
    list->setWordWrap(false);
    list->verticalHeader()->hide();
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 6);
    QHeaderView* header = list->horizontalHeader();
    header->setStretchLastSection(true);
    header->setHighlightSections(false);
    header->setSectionsClickable(true);
    for (int column = 0; column < static_cast<int>(columns.size()); ++column) {
        const ListColumn& shape = columns[static_cast<std::size_t>(column)];
        auto* title = new QTableWidgetItem(shape.label);
        if (shape.right_aligned) title->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        list->setHorizontalHeaderItem(column, title);
        // The font may be wider than the one the widths were chosen for: the sample must fit whole.
        const int fitting = list->fontMetrics().horizontalAdvance(shape.widest) + 16;
        header->resizeSection(column, std::max(shape.width, fitting));
    }
    QObject::connect(header, &QHeaderView::sectionClicked, list, [list](int column) {
        if (list->rowCount() >= 2) list->sortItems(column, Qt::AscendingOrder);
    });
    return list;
}

void ShowRecordRow(QTableWidget* list, int row, const std::string& id, const std::vector<std::string>& texts)
{
    for (int column = 0; column < static_cast<int>(texts.size()); ++column) {
        auto* cell = new RecordCell(WidgetText(texts[static_cast<std::size_t>(column)]));
        // Columns without an alignment of their own keep the table's usual one.
        if (const int alignment = list->horizontalHeaderItem(column)->textAlignment())
            cell->setTextAlignment(Qt::Alignment(alignment));
        list->setItem(row, column, cell);
    }
    list->item(row, 0)->setData(kIdRole, QByteArray::fromStdString(id));
}

int AddRecordRow(QTableWidget* list, const std::string& id, const std::vector<std::string>& texts)
{
    const int row = list->rowCount();
    list->insertRow(row);
    ShowRecordRow(list, row, id, texts);
    return row;
}

void SelectOnlyRow(QTableWidget* list, int row)
{
    list->clearSelection();
    list->setCurrentCell(row, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list->scrollToItem(list->item(row, 0));
}

std::string RowId(const QTableWidget* list, int row)
{
    return list->item(row, 0)->data(kIdRole).toByteArray().toStdString();
}

std::optional<int> SingleSelectedRow(const QTableWidget* list)
{
    const std::vector<int> rows = SelectedRows(list);
    if (rows.size() != 1) return std::nullopt;
    return rows.front();
}

std::optional<std::string> SelectedWebAddress(const QTableWidget* list, int column)
{
    const std::optional<int> row = SingleSelectedRow(list);
    if (!row) return std::nullopt;
    std::string address = list->item(*row, column)->text().toStdString();
    if (!IsWebAddress(address)) return std::nullopt;
    return address;
}

QCheckBox* StoredSwitch(const QString& label, bool checked, const std::function<bool(bool)>& store,
                        QWidget* parent)
{
    auto* box = new QCheckBox(label, parent);
    box->setAccessibleName(label);
    box->setChecked(checked);
    QObject::connect(box, &QCheckBox::clicked, parent,
                     [parent, store](bool on) { StoredOrWarn(parent, store(on)); });
    return box;
}

void RemoveSelectedRecords(QTableWidget* list, QWidget* parent, const DesktopActions& desktop,
                           const std::function<bool(std::string_view id)>& remove)
{
    const std::vector<int> rows = SelectedRows(list);
    if (rows.empty() || !desktop.confirm(parent, QStringLiteral("Remove selected items?"))) return;
    // From the bottom up, so the rows still to go keep their numbers.
    for (int row : std::views::reverse(rows)) {
        if (remove(RowId(list, row))) list->removeRow(row);
    }
}

}  // namespace vireo
