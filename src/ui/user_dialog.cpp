#include "ui/user_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/account_rules.h"
#include "ui/dialog_parts.h"
#include "ui/widget_parts.h"

namespace vireo {

namespace {

QLineEdit* AccountBox(const QString& label, std::string_view text, std::size_t max_length, QWidget* parent)
{
    QLineEdit* box = LabelledBox(label, static_cast<int>(max_length), parent);
    box->setText(WidgetText(text));
    return box;
}

}  // namespace

UserDialog::UserDialog(QWidget* parent, const UserAccount& account) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("User & Password"));
    const QString name_label = QStringLiteral("User Name:");
    const QString password_label = QStringLiteral("Password:");
    name_ = AccountBox(name_label, account.name, kMaxUserNameChars, this);
    password_ = AccountBox(password_label, account.password, kMaxPasswordChars, this);
    name_->setMinimumWidth(name_->fontMetrics().averageCharWidth() * 32);
    QDialogButtonBox* buttons = OkCancelButtons(this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    auto* form = new QFormLayout;
    form->addRow(name_label, name_);
    form->addRow(password_label, password_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    for (QLineEdit* box : {name_, password_})
        connect(box, &QLineEdit::textChanged, this, [this] { ok_->setEnabled(Acceptable()); });
    ok_->setEnabled(Acceptable());
}

UserAccount UserDialog::account() const
{
    return {TypedText(name_), TypedText(password_)};
}

bool UserDialog::Acceptable() const
{
    const UserAccount typed = account();
    return !CheckAccount(typed.name, typed.password).has_value();
}

void UserDialog::accept()
{
    if (Acceptable()) QDialog::accept();
}

}  // namespace vireo
