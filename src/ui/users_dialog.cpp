#include "ui/users_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "base/ascii_case.h"
#include "settings/settings.h"
#include "ui/dialog_parts.h"
#include "ui/list_rows.h"
#include "ui/store_warning.h"
#include "ui/user_dialog.h"
#include "ui/widget_parts.h"

namespace vireo {

namespace {

std::vector<UserAccount> StoredAccounts()
{
    std::vector<UserAccount> accounts;
    for (int index = 0; std::optional<UserAccount> account = EnumUser(index); ++index)
        accounts.push_back(std::move(*account));
    return accounts;
}

QTableWidgetItem* Cell(std::string_view text)
{
    auto* cell = new QTableWidgetItem(WidgetText(text));
    cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return cell;
}

}  // namespace

UsersDialog::UsersDialog(QWidget* parent) : QDialog(parent), accounts_(StoredAccounts())
{
    setWindowTitle(QStringLiteral("Users & Passwords"));
    list_ = new QTableWidget(0, 2, this);
    list_->setAccessibleName(QStringLiteral("Users"));
    list_->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Password")});
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 8);
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->horizontalHeader()->resizeSection(0, 160);
    enable_ = LabelledCheckBox(QStringLiteral("Enable password"), GetUsePasswords(), this);
    add_ = LabelledButton(QStringLiteral("Add"), this);
    edit_ = LabelledButton(QStringLiteral("Edit"), this);
    remove_ = LabelledButton(QStringLiteral("Remove"), this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(ListWithButtons(list_, {add_, edit_, remove_}), 1);
    layout->addWidget(enable_);
    layout->addWidget(OkCancelButtons(this));
    resize(460, 340);

    connect(list_, &QTableWidget::itemSelectionChanged, this, [this] { EnableControls(); });
    connect(list_, &QTableWidget::itemDoubleClicked, this, [this] { AskAccount(true); });
    connect(add_, &QPushButton::clicked, this, [this] { AskAccount(false); });
    connect(edit_, &QPushButton::clicked, this, [this] { AskAccount(true); });
    connect(remove_, &QPushButton::clicked, this, [this] { RemoveSelected(); });
    Refill({});
}

void UsersDialog::EnableControls()
{
    EnableRowButtons(list_, edit_, remove_);
}

void UsersDialog::Refill(std::string_view selected)
{
    std::ranges::stable_sort(accounts_, [](const UserAccount& a, const UserAccount& b) {
        return CompareIgnoreCase(a.name, b.name) < 0;
    });
    list_->clearSelection();
    list_->setRowCount(static_cast<int>(accounts_.size()));
    for (int row = 0; row < list_->rowCount(); ++row) {
        const UserAccount& account = accounts_[static_cast<std::size_t>(row)];
        list_->setItem(row, 0, Cell(account.name));
        list_->setItem(row, 1, Cell(account.password));
        if (EqualsIgnoreCase(account.name, selected)) list_->selectRow(row);
    }
    EnableControls();
}

void UsersDialog::AskAccount(bool edit)
{
    const std::vector<int> selected = SelectedRows(list_);
    if (edit && selected.size() != 1) return;
    UserDialog ask(this, edit ? accounts_[static_cast<std::size_t>(selected[0])] : UserAccount{});
    if (ask.exec() != QDialog::Accepted) return;
    if (edit) {
        ReplaceSelected(ask.account());
    } else {
        AddAccount(ask.account());
    }
}

void UsersDialog::AddAccount(const UserAccount& account)
{
    auto same = std::ranges::find_if(
        accounts_, [&](const UserAccount& listed) { return EqualsIgnoreCase(listed.name, account.name); });
    if (same != accounts_.end()) {
        *same = account;
    } else {
        accounts_.push_back(account);
    }
    Refill(account.name);
}

void UsersDialog::ReplaceSelected(const UserAccount& account)
{
    const std::vector<int> selected = SelectedRows(list_);
    if (selected.size() != 1) return;
    accounts_.erase(accounts_.begin() + selected[0]);
    AddAccount(account);
}

void UsersDialog::RemoveSelected()
{
    const std::vector<int> selected = SelectedRows(list_);
    for (auto row = selected.rbegin(); row != selected.rend(); ++row)
        accounts_.erase(accounts_.begin() + *row);
    Refill({});
}

void UsersDialog::accept()
{
    if (!StoredOrWarn(this, ReplaceUsers(accounts_) && SetUsePasswords(enable_->isChecked()))) return;
    QDialog::accept();
}

}  // namespace vireo
