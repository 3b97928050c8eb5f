#include "ui/auto_blocker_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/settings.h"
#include "ui/dialog_parts.h"
#include "ui/list_rows.h"
#include "ui/store_warning.h"
#include "ui/widget_parts.h"

namespace vireo {

AutoBlockerDialog::AutoBlockerDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Auto Blocker"));
    list_ = NewAddressList(GetAutoBlockList(), this);
    list_->setAccessibleName(QStringLiteral("Blocked IP Addresses"));
    remove_ = LabelledButton(QStringLiteral("Remove"), this);
    enable_ = LabelledCheckBox(QStringLiteral("Enable auto-block list."), GetUseAutoBlockList(), this);
    auto* explanation = new QLabel(
        QStringLiteral("When enabled, the IP address of a visitor who is sending invalid HTTP request "
                       "command, or the request contains malicious instructions, will be put into this "
                       "auto-block list."),
        this);
    explanation->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(ListWithButtons(list_, {remove_}), 1);
    layout->addWidget(enable_);
    layout->addWidget(explanation);
    layout->addSpacing(6);
    layout->addWidget(OkCancelButtons(this));
    resize(380, 360);

    connect(list_, &QListWidget::itemSelectionChanged, this, [this] { EnableControls(); });
    connect(remove_, &QPushButton::clicked, this, [this] { RemoveSelected(); });
    EnableControls();
}

void AutoBlockerDialog::EnableControls()
{
    EnableRowButtons(list_, nullptr, remove_);
}

void AutoBlockerDialog::RemoveSelected()
{
    const std::vector<int> selected = SelectedRows(list_);
    for (auto row = selected.rbegin(); row != selected.rend(); ++row) {
        removed_.push_back(AddressAt(list_, *row));
        delete list_->takeItem(*row);
    }
    EnableControls();
}

void AutoBlockerDialog::accept()
{
    if (!StoredOrWarn(this,
                      RemoveAllFromAutoBlockList(removed_) && SetUseAutoBlockList(enable_->isChecked())))
        return;
    QDialog::accept();
}

}  // namespace vireo
