#include "ui/ip_address_editor.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialog_parts.h"
#include "ui/widget_parts.h"

namespace vireo {

namespace {

// "255.255.255.255"
constexpr int kLongestAddress = 15;

}  // namespace

IpAddressEditor::IpAddressEditor(QWidget* parent, const std::optional<Ipv4Address>& address) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("IP Address Editor"));
    const QString label = QStringLiteral("IP Address:");
    box_ = LabelledBox(label, kLongestAddress, this);
    box_->setMinimumWidth(box_->fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) * 3 / 2);
    if (address) box_->setText(WidgetText(FormatAddress(*address)));
    QDialogButtonBox* buttons = OkCancelButtons(this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    auto* form = new QFormLayout;
    form->addRow(label, box_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(box_, &QLineEdit::textChanged, this, [this] { ok_->setEnabled(this->address().has_value()); });
    ok_->setEnabled(this->address().has_value());
}

std::optional<Ipv4Address> IpAddressEditor::address() const
{
    Ipv4Address parsed{};
    if (!ParseAddress(TypedText(box_), parsed)) return std::nullopt;
    return parsed;
}

void IpAddressEditor::accept()
{
    if (address()) QDialog::accept();
}

}  // namespace vireo
