#include "ui/ip_filter_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "settings/settings.h"
#include "ui/dialog_parts.h"
#include "ui/ip_address_editor.h"
#include "ui/list_rows.h"
#include "ui/store_warning.h"
#include "ui/widget_parts.h"

namespace vireo {

namespace {

QRadioButton* LabelledRadio(const QString& text, QWidget* parent)
{
    auto* button = new QRadioButton(text, parent);
    button->setAccessibleName(text);
    return button;
}

}  // namespace

IpFilterDialog::IpFilterDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Client IP Filter"));
    list_ = NewAddressList(GetIpFilterList(), this);
    list_->setAccessibleName(QStringLiteral("IP Addresses"));
    add_ = LabelledButton(QStringLiteral("Add"), this);
    remove_ = LabelledButton(QStringLiteral("Remove"), this);
    edit_ = LabelledButton(QStringLiteral("Edit"), this);
    forbidden_ = LabelledRadio(QStringLiteral("This is a forbidden list."), this);
    allowed_only_ = LabelledRadio(QStringLiteral("This is a allowed-only list."), this);
    off_ = LabelledRadio(QStringLiteral("Do not use this filter list"), this);
    switch (GetIpFilterType()) {
        case IpFilterType::Forbidden:
            forbidden_->setChecked(true);
            break;
        case IpFilterType::AllowedOnly:
            allowed_only_->setChecked(true);
            break;
        case IpFilterType::Off:
            off_->setChecked(true);
            break;
    }
    auto* note = new QLabel(QStringLiteral("* A field value of 255 means any number."), this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(ListWithButtons(list_, {add_, remove_, edit_}), 1);
    layout->addWidget(forbidden_);
    layout->addWidget(allowed_only_);
    layout->addWidget(off_);
    layout->addWidget(note);
    layout->addWidget(OkCancelButtons(this));
    resize(360, 380);

    connect(list_, &QListWidget::itemSelectionChanged, this, [this] { EnableControls(); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { AskAddress(true); });
    connect(add_, &QPushButton::clicked, this, [this] { AskAddress(false); });
    connect(edit_, &QPushButton::clicked, this, [this] { AskAddress(true); });
    connect(remove_, &QPushButton::clicked, this, [this] { RemoveSelected(); });
    EnableControls();
}

void IpFilterDialog::EnableControls()
{
    EnableRowButtons(list_, edit_, remove_);
}

void IpFilterDialog::AskAddress(bool edit)
{
    const std::vector<int> selected = SelectedRows(list_);
    if (edit && selected.size() != 1) return;
    IpAddressEditor editor(this, edit ? std::optional(AddressAt(list_, selected[0])) : std::nullopt);
    if (editor.exec() != QDialog::Accepted) return;
    const Ipv4Address address = editor.address().value();
    if (edit) {
        ReplaceSelected(address);
    } else {
        AddAddress(address);
    }
}

void IpFilterDialog::SelectOnly(int row)
{
    list_->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void IpFilterDialog::AddAddress(const Ipv4Address& address)
{
    if (std::optional<int> row = FindAddress(list_, address)) return SelectOnly(*row);
    AppendAddress(list_, address);
    SelectOnly(list_->count() - 1);
}

void IpFilterDialog::ReplaceSelected(const Ipv4Address& address)
{
    const std::vector<int> selected = SelectedRows(list_);
    if (selected.size() != 1) return;
    // Changed into an address listed elsewhere: the two rows become that one.
    if (std::optional<int> row = FindAddress(list_, address); row && *row != selected[0]) {
        delete list_->takeItem(selected[0]);
        return SelectOnly(*row < selected[0] ? *row : *row - 1);
    }
    SetAddressAt(list_, selected[0], address);
}

void IpFilterDialog::RemoveSelected()
{
    const std::vector<int> selected = SelectedRows(list_);
    for (auto row = selected.rbegin(); row != selected.rend(); ++row) delete list_->takeItem(*row);
    EnableControls();
}

void IpFilterDialog::accept()
{
    IpFilterType type = IpFilterType::Off;
    if (forbidden_->isChecked()) type = IpFilterType::Forbidden;
    if (allowed_only_->isChecked()) type = IpFilterType::AllowedOnly;
    const AddressList addresses = ListedAddresses(list_);
    if (!StoredOrWarn(this, SetIpFilter(addresses, static_cast<std::uint32_t>(type)))) return;
    QDialog::accept();
}

}  // namespace vireo
