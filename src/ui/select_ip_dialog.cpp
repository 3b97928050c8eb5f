#include "ui/select_ip_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialog_parts.h"
#include "ui/widget_parts.h"

namespace vireo {

SelectIpDialog::SelectIpDialog(QWidget* parent, std::vector<Ipv4Address> offered, Ipv4Address shown)
    : QDialog(parent), offered_(std::move(offered))
{
    setWindowTitle(QStringLiteral("Select IP"));
    list_ = new QListWidget(this);
    list_->setAccessibleName(QStringLiteral("IP addresses of this computer"));
    for (std::size_t i = 0; i < offered_.size(); ++i) {
        auto* entry = new QListWidgetItem(WidgetText(FormatAddress(offered_[i])), list_);
        entry->setData(Qt::UserRole, static_cast<int>(i));
        if (offered_[i] == shown) list_->setCurrentItem(entry);
    }
    auto* label = new QLabel(QStringLiteral("IP addresses of this computer"), this);
    label->setBuddy(list_);
    QDialogButtonBox* buttons = OkCancelButtons(this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    resize(260, 240);
}

void SelectIpDialog::accept()
{
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    chosen_.reset();
    if (!selected.isEmpty()) chosen_ = offered_.at(selected.front()->data(Qt::UserRole).toUInt());
    done(chosen_ ? 1 : 2);
}

}  // namespace vireo
