#include "ui/folder_property_dialog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "base/ascii_case.h"
#include "base/text_helpers.h"
#include "base/utf8.h"
#include "settings/folder_name.h"
#include "settings/settings.h"
#include "ui/store_warning.h"
#include "ui/thumbnail_run.h"
#include "ui/widget_parts.h"

namespace vireo {
namespace {

// The name and description boxes take one character more than is used: what the user types past
// the limit is visibly cut rather than refused.
constexpr int kNameBoxLength = kFolderNameCapacity - 1;
constexpr std::size_t kDescriptionUsed = kFolderDescriptionCapacity - 2;
constexpr int kDescriptionBoxLength = kFolderDescriptionCapacity - 1;
constexpr std::size_t kMaxPathBytes = kFolderPathCapacity - 1;

// The first `max_bytes` of a box's text (never half a character), trimmed.
std::string FirstBytesTrimmed(const QLineEdit* box, std::size_t max_bytes)
{
    const QByteArray text = box->text().toUtf8();
    return Trimmed(CutUtf8(std::string_view(text.constData(), text.size()), max_bytes));
}

// Where the folder chooser begins when the location is empty: the folder above the last one chosen.
std::string ParentOfLastFolder()
{
    const std::string last = GetLastFolder().value_or("");
    return last.empty() ? last : std::filesystem::path(last).parent_path().string();
}

}  // namespace

FolderPropertyDialog::FolderPropertyDialog(QWidget* parent, std::string editing)
    : QDialog(parent), editing_(std::move(editing)), program_folder_(QCoreApplication::applicationDirPath())
{
    setWindowTitle(QStringLiteral("Folder Property"));
    for (int index = 0;; ++index) {
        std::optional<std::string> name = EnumFolderName(index);
        if (!name) break;
        if (!EqualsIgnoreCase(*name, editing_)) other_names_.push_back(std::move(*name));
    }
    const FolderSettings stored = editing_.empty() ? FolderSettings{} : ReadFolder(editing_);

    location_ = LabelledBox(QStringLiteral("Location:"), kMaxPathBytes, this);
    location_->setText(WidgetText(stored.path));
    location_->setMinimumWidth(340);
    browse_ = LabelledButton(QStringLiteral("..."), this);
    name_ = LabelledBox(QStringLiteral("Name:"), kNameBoxLength, this);
    name_->setText(WidgetText(editing_));
    description_ = LabelledBox(QStringLiteral("Description:"), kDescriptionBoxLength, this);
    description_->setText(WidgetText(stored.description));
    visible_ = LabelledCheckBox(QStringLiteral("Allow listing folder"), stored.visible, this);
    subfolders_ =
        LabelledCheckBox(QStringLiteral("Allow accessing sub-folders."), stored.can_browse_subfolders, this);
    post_files_ = LabelledCheckBox(QStringLiteral("Allow posting files."), stored.can_post_files, this);
    zip_ = LabelledCheckBox(QStringLiteral("Allow Zip Folder"), stored.zip_download, this);
    thumbnails_ =
        LabelledCheckBox(QStringLiteral("Create thumbnail list for images in the folder."), false, this);
    QDialogButtonBox* buttons = OkCancelButtons(this);
    ok_ = buttons->button(QDialogButtonBox::Ok);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Location:"), BrowseRow(location_, browse_));
    form->addRow(QStringLiteral("Name:"), name_);
    form->addRow(QStringLiteral("Description:"), description_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    for (QCheckBox* box : {visible_, subfolders_, post_files_, zip_, thumbnails_}) layout->addWidget(box);
    layout->addWidget(buttons);

    connect(browse_, &QPushButton::clicked, this, [this] { BrowseForFolder(); });
    connect(thumbnails_, &QCheckBox::toggled, this, [this](bool ticked) { CheckPicmill(ticked); });
    for (QLineEdit* box : {location_, name_, description_})
        connect(box, &QLineEdit::textChanged, this, [this] { EnableControls(); });
    EnableControls();
}

FolderPropertyDialog::~FolderPropertyDialog() = default;

std::string FolderPropertyDialog::TypedName() const
{
    return FirstBytesTrimmed(name_, kMaxFolderNameLength);
}

bool FolderPropertyDialog::CanStore() const
{
    const std::string location = TypedText(location_);
    const std::string name = TypedName();
    return !location.empty() && location.size() <= kMaxPathBytes && !CheckFolderName(name) &&
           std::ranges::none_of(other_names_,
                                [&name](const std::string& other) { return EqualsIgnoreCase(other, name); });
}

void FolderPropertyDialog::EnableControls()
{
    ok_->setEnabled(!run_ && CanStore());
}

QString FolderPropertyDialog::PicmillPath() const
{
    return QDir(program_folder_).filePath(QStringLiteral("picmill"));
}

void FolderPropertyDialog::CheckPicmill(bool ticked)
{
    if (!ticked || QFileInfo(PicmillPath()).isExecutable()) return;
    thumbnails_->setChecked(false);
    inform_(this, QStringLiteral("Picmill can not be found."));
}

void FolderPropertyDialog::BrowseForFolder()
{
    std::string start = TypedText(location_);
    if (start.empty()) start = ParentOfLastFolder();
    const QString chosen = choose_folder_(this, WidgetText(start));
    if (chosen.isEmpty()) {
        // Adding starts with choosing the folder; giving that up before typing anything gives up
        // the whole dialog.
        if (editing_.empty() && TypedText(location_).empty() && TypedText(name_).empty()) reject();
        return;
    }
    std::string path = chosen.toUtf8().toStdString();
    NormalizePath(path);
    SetLastFolder(path);
    location_->setText(WidgetText(path));
    if (TypedText(name_).empty()) name_->setText(WidgetText(std::filesystem::path(path).filename().string()));
    name_->setFocus();
    name_->selectAll();
}

void FolderPropertyDialog::accept()
{
    if (run_ || !CanStore()) return;
    FolderSettings settings;
    settings.path = TypedText(location_);
    settings.description = FirstBytesTrimmed(description_, kDescriptionUsed);
    settings.visible = visible_->isChecked();
    settings.can_browse_subfolders = subfolders_->isChecked();
    settings.can_post_files = post_files_->isChecked();
    settings.zip_download = zip_->isChecked();
    if (!StoredOrWarn(this, ReplaceFolder(editing_, TypedName(), settings))) return;
    if (!thumbnails_->isChecked()) {
        QDialog::accept();
        return;
    }
    run_ = std::make_unique<ThumbnailRun>(this, PicmillPath(), WidgetText(settings.path),
                                          settings.can_browse_subfolders, [this] { QDialog::accept(); });
    EnableControls();
    run_->Start();
}

void FolderPropertyDialog::reject()
{
    if (run_ && !run_->ended()) {
        run_->Cancel();
        return;
    }
    QDialog::reject();
}

}  // namespace vireo
