#include "ui/extension_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/utf8.h"
#include "settings/extension_settings.h"
#include "settings/settings_catalog.h"
#include "ui/store_warning.h"
#include "ui/widget_parts.h"

namespace vireo {
namespace {

constexpr std::size_t kMaxPathBytes = kPathCapacity - 1;

}  // namespace

ExtensionDialog::ExtensionDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Extension"));
    folder_ = LabelledBox(QStringLiteral("Program File Folder:"), kMaxPathBytes, this);
    folder_->setText(WidgetText(GetStoredExtensionFolder().value_or("")));
    folder_->setMinimumWidth(320);
    browse_ = LabelledButton(QStringLiteral("..."), this);
    enabled_ = LabelledCheckBox(QStringLiteral("Enable Extension"), GetStoredExtensionEnabled(), this);
    QDialogButtonBox* buttons = OkCancelButtons(this);
    ok_ = buttons->button(QDialogButtonBox::Ok);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Program File Folder:"), BrowseRow(folder_, browse_));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(enabled_);
    layout->addWidget(buttons);
    connect(browse_, &QPushButton::clicked, this, [this] { BrowseForFolder(); });
}

void ExtensionDialog::BrowseForFolder()
{
    const QString chosen = choose_folder_(this, WidgetText(TypedText(folder_)));
    if (!chosen.isEmpty()) folder_->setText(chosen);
}

void ExtensionDialog::accept()
{
    const std::string folder(CutUtf8(TypedText(folder_), kMaxPathBytes));
    // The server would not use a folder that is not there, so the switch is not left on for one.
    const bool stored =
        SetExtensionFolder(folder) &&
        SetExtensionEnabled(enabled_->isChecked() && UsableExtensionFolder(folder).has_value());
    if (StoredOrWarn(this, stored)) QDialog::accept();
}

}  // namespace vireo
