#pragma once

// "Extension": the folder of the site owner's programs and whether requests run them.

#include <QDialog>

#include "ui/dialog_parts.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vireo {

class ExtensionDialog final : public QDialog {
public:
    explicit ExtensionDialog(QWidget* parent);

    // Stores the folder as typed, and extensions as on only when the box is ticked and the folder
    // is an existing directory.
    void accept() override;
    // What "..." does: asks for a folder, beginning at the one typed.
    void BrowseForFolder();

    void setFolderChooser(FolderChooser chooser) { choose_folder_ = std::move(chooser); }

    QLineEdit* folderBox() const { return folder_; }
    QCheckBox* enabledBox() const { return enabled_; }
    QPushButton* browseButton() const { return browse_; }
    QPushButton* okButton() const { return ok_; }

private:
    FolderChooser choose_folder_ = ChooseFolderInDialog;
    QLineEdit* folder_;
    QPushButton* browse_;
    QCheckBox* enabled_;
    QPushButton* ok_;
};

}  // namespace vireo
