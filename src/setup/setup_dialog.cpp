#include "setup/setup_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <filesystem>
#include <optional>
#include <utility>

namespace vireo::setup {
namespace {

const QString kCaption = QStringLiteral("Vireo Setup");

QString FromPath(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

// The window icon from the sizes the payload carries.
QIcon PayloadIcon(const QString& payload)
{
    QIcon icon;
    QDirIterator found(payload + QStringLiteral("/icons"), {QStringLiteral("*.png")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (found.hasNext()) icon.addFile(found.next());
    return icon;
}

// Where the folder chooser begins: the nearest folder above the typed one that exists.
QString ExistingFolderAbove(const QString& typed)
{
    std::filesystem::path folder = NormalizeFolder(typed.toStdString());
    std::error_code ignored;
    while (!folder.empty() && !std::filesystem::is_directory(folder, ignored)) {
        if (folder == folder.parent_path()) break;
        folder = folder.parent_path();
    }
    return FromPath(folder);
}

}  // namespace

SetupPrompts MessageBoxPrompts()
{
    SetupPrompts prompts;
    prompts.inform = [](QWidget* parent, const QString& message) {
        QMessageBox::information(parent, kCaption, message);
    };
    prompts.confirm = [](QWidget* parent, const QString& question) {
        return QMessageBox::question(parent, kCaption, question, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
    prompts.choose_folder = [](QWidget* parent, const QString& start) {
        return QFileDialog::getExistingDirectory(parent, kCaption, start, QFileDialog::ShowDirsOnly);
    };
    return prompts;
}

SetupDialog::SetupDialog(QString payload, SetupPrompts prompts, QWidget* parent)
    : QDialog(parent), payload_(std::move(payload)), prompts_(std::move(prompts))
{
    setWindowTitle(kCaption);
    setWindowIcon(PayloadIcon(payload_));

    new_install_ = new QRadioButton(QStringLiteral("New Install"), this);
    upgrade_ = new QRadioButton(QStringLiteral("Re-install / Upgrade"), this);
    remove_ = new QRadioButton(QStringLiteral("Remove Vireo from your computer."), this);
    auto* modes = new QButtonGroup(this);
    for (QRadioButton* mode : {new_install_, upgrade_, remove_}) modes->addButton(mode);

    folder_ = new QLineEdit(this);
    folder_->setMinimumWidth(folder_->fontMetrics().averageCharWidth() * 48);
    folder_->setAccessibleName(QStringLiteral("Folder:"));
    auto* folder_label = new QLabel(QStringLiteral("&Folder:"), this);
    folder_label->setBuddy(folder_);
    browse_ = new QPushButton(QStringLiteral("..."), this);
    browse_->setAccessibleName(QStringLiteral("Browse"));
    browse_->setAutoDefault(false);
    browse_->setFixedWidth(browse_->fontMetrics().horizontalAdvance(QStringLiteral("...")) * 4);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &SetupDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SetupDialog::reject);

    // The folder row sits under New Install, indented, since it belongs to it.
    auto* folder_row = new QHBoxLayout;
    folder_row->addSpacing(new_install_->sizeHint().height());
    folder_row->addWidget(folder_label);
    folder_row->addWidget(folder_, 1);
    folder_row->addWidget(browse_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new_install_);
    layout->addLayout(folder_row);
    layout->addWidget(upgrade_);
    layout->addWidget(remove_);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    if (const std::optional<std::filesystem::path> installed = FindInstallation()) {
        folder_->setText(FromPath(*installed));
        upgrade_->setChecked(true);
        new_install_->setEnabled(false);
    } else {
        if (const std::optional<std::filesystem::path> folder = DefaultInstallFolder())
            folder_->setText(FromPath(*folder));
        new_install_->setChecked(true);
        upgrade_->setEnabled(false);
        remove_->setEnabled(false);
    }
    connect(modes, &QButtonGroup::buttonToggled, this, [this] { UpdateEnabled(); });
    connect(folder_, &QLineEdit::textChanged, this, [this] { UpdateEnabled(); });
    connect(browse_, &QPushButton::clicked, this, [this] { Browse(); });
    UpdateEnabled();
}

void SetupDialog::UpdateEnabled()
{
    const bool choosing_folder = new_install_->isChecked();
    folder_->setEnabled(choosing_folder);
    browse_->setEnabled(choosing_folder);
    ok_->setEnabled(!choosing_folder || !folder_->text().isEmpty());
}

void SetupDialog::Browse()
{
    const QString chosen = prompts_.choose_folder(this, ExistingFolderAbove(folder_->text()));
    // The chosen folder is the installation folder itself: no product folder is added below it.
    if (!chosen.isEmpty()) folder_->setText(chosen);
}

void SetupDialog::accept()
{
    if (new_install_->isChecked() || upgrade_->isChecked()) {
        // An upgrade goes where the record says; a record gone meanwhile leaves no folder to make.
        const std::filesystem::path folder = new_install_->isChecked()
                                                 ? NormalizeFolder(folder_->text().toStdString())
                                                 : FindInstallation().value_or(std::filesystem::path());
        Report(Install(folder, payload_));
        return;
    }
    // A running server is reported before the user is asked anything.
    if (VireoRuns()) {
        Report(Outcome::InstanceRunning);
        return;
    }
    if (!prompts_.confirm(this, QString::fromStdString(RemoveQuestion()))) {
        reject();
        return;
    }
    Report(Remove(payload_));
}

void SetupDialog::Report(Outcome outcome)
{
    prompts_.inform(this, QString::fromStdString(OutcomeMessage(outcome)));
    switch (outcome) {
        case Outcome::Installed:
        case Outcome::Removed:
            QDialog::accept();
            return;
        case Outcome::CannotDelete:
        case Outcome::NotInstalled:
            reject();
            return;
        case Outcome::InstanceRunning:
        case Outcome::CannotCreateFolder:
        case Outcome::CopyFailed:
            return;  // the user can stop the server or pick another folder and press OK again
    }
}

}  // namespace vireo::setup
