#include "ui/dynamic_file_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "base/ascii_case.h"
#include "base/text_helpers.h"
#include "settings/dynamic_file_rules.h"
#include "settings/dynamic_files.h"
#include "ui/dialog_parts.h"
#include "ui/store_warning.h"
#include "ui/widget_parts.h"

namespace vireo {
namespace {

// The pattern the newest-file search uses when none is stored: the files of the same type.
std::string PatternOfType(std::string_view path)
{
    if (path.empty()) return {};
    const std::string_view name = path.substr(path.find_last_of('/') + 1);
    return "*." + std::string(name.substr(FindExtension(name, false)));
}

}  // namespace

DynamicFilePropertyDialog::DynamicFilePropertyDialog(QWidget* parent, std::string name)
    : QDialog(parent), editing_(std::move(name))
{
    setWindowTitle(QStringLiteral("Dynamic File Property"));
    for (int index = 0;; ++index) {
        std::optional<std::pair<std::string, DynamicFile>> entry = EnumDynamicFile(index);
        if (!entry) break;
        if (!EqualsIgnoreCase(entry->first, editing_)) other_names_.push_back(std::move(entry->first));
    }
    const DynamicFile stored = GetDynamicFile(editing_).value_or(DynamicFile{});

    name_ = LabelledBox(QStringLiteral("Display Name:"), kMaxDisplayNameLength, this);
    name_->setText(WidgetText(editing_));
    path_ = LabelledBox(QStringLiteral("File Path:"), kMaxDynamicFileText, this);
    path_->setText(WidgetText(stored.path));
    path_->setMinimumWidth(340);
    real_time_ = LabelledCheckBox(QStringLiteral("This is a Real Time File"), stored.real_time, this);
    newest_ =
        LabelledCheckBox(QStringLiteral("Use the newest file, by searching: "), stored.use_newest, this);
    pattern_ = LabelledBox(QStringLiteral("Search Pattern"), kMaxPatternLength, this);
    pattern_->setText(WidgetText(stored.pattern.empty() ? PatternOfType(stored.path) : stored.pattern));
    QDialogButtonBox* buttons = OkCancelButtons(this);
    ok_ = buttons->button(QDialogButtonBox::Ok);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Display Name:"), name_);
    form->addRow(QStringLiteral("File Path:"), path_);
    auto* newest_row = new QHBoxLayout;
    newest_row->addWidget(newest_);
    newest_row->addWidget(pattern_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(real_time_);
    layout->addLayout(newest_row);
    layout->addWidget(buttons);

    for (QLineEdit* box : {name_, path_, pattern_})
        connect(box, &QLineEdit::textChanged, this, [this] { EnableControls(); });
    connect(newest_, &QCheckBox::toggled, this, [this] { EnableControls(); });
    EnableControls();
}

bool DynamicFilePropertyDialog::CanStore() const
{
    const std::string name = TypedText(name_);
    const std::string path = TypedText(path_);
    return !CheckDisplayName(name) && !path.empty() && path.size() <= kMaxDynamicFileText &&
           TypedText(pattern_).size() <= kMaxDynamicFileText &&
           std::ranges::none_of(other_names_,
                                [&name](const std::string& other) { return EqualsIgnoreCase(other, name); });
}

void DynamicFilePropertyDialog::EnableControls()
{
    pattern_->setEnabled(newest_->isChecked());
    ok_->setEnabled(CanStore());
}

void DynamicFilePropertyDialog::accept()
{
    if (!CanStore()) return;
    DynamicFile file;
    file.path = TypedText(path_);
    file.pattern = TypedText(pattern_);
    file.real_time = real_time_->isChecked();
    file.use_newest = newest_->isChecked();
    const std::string name = TypedText(name_);
    if (StoredOrWarn(this, ReplaceDynamicFile(editing_, name, file))) QDialog::accept();
}

}  // namespace vireo
