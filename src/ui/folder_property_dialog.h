#pragma once

// "Folder Property": adds a virtual folder or edits one (its location, URL name, description and
// what visitors may do there), and can start picmill on it to make its thumbnail lists.

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "settings/settings_folders.h"
#include "ui/dialog_parts.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vireo {

class ThumbnailRun;

class FolderPropertyDialog final : public QDialog {
public:
    // `editing` is the URL name of the folder to edit; empty to add a new folder.
    FolderPropertyDialog(QWidget* parent, std::string editing);
    ~FolderPropertyDialog() override;

    // Stores the folder (under its new name when it was renamed), then runs picmill on it when the
    // thumbnail box is ticked; the dialog closes when picmill has ended.
    void accept() override;
    // While picmill runs, stops it instead.
    void reject() override;
    // What "..." does: asks for a folder, which fills the location and, when still empty, the name.
    void BrowseForFolder();

    void setFolderChooser(FolderChooser chooser) { choose_folder_ = std::move(chooser); }
    void setInform(InformUser inform) { inform_ = std::move(inform); }
    // Where picmill is looked for; the program's own folder unless set.
    void setProgramFolder(QString folder) { program_folder_ = std::move(folder); }

    QLineEdit* locationBox() const { return location_; }
    QLineEdit* nameBox() const { return name_; }
    QLineEdit* descriptionBox() const { return description_; }
    QCheckBox* visibleBox() const { return visible_; }
    QCheckBox* subfoldersBox() const { return subfolders_; }
    QCheckBox* postFilesBox() const { return post_files_; }
    QCheckBox* zipBox() const { return zip_; }
    QCheckBox* thumbnailsBox() const { return thumbnails_; }
    QPushButton* browseButton() const { return browse_; }
    QPushButton* okButton() const { return ok_; }
    // The picmill run started by OK, while it lasts.
    ThumbnailRun* thumbnailRun() const { return run_.get(); }

private:
    // The URL name as OK would store it: the box's first bytes, trimmed.
    std::string TypedName() const;
    bool CanStore() const;
    void EnableControls();
    QString PicmillPath() const;
    void CheckPicmill(bool ticked);

    std::string editing_;
    std::vector<std::string> other_names_;  // the folders this one may not be named as
    FolderChooser choose_folder_ = ChooseFolderInDialog;
    InformUser inform_ = InformInMessageBox;
    QString program_folder_;
    std::unique_ptr<ThumbnailRun> run_;
    QLineEdit* location_;
    QPushButton* browse_;
    QLineEdit* name_;
    QLineEdit* description_;
    QCheckBox* visible_;
    QCheckBox* subfolders_;
    QCheckBox* post_files_;
    QCheckBox* zip_;
    QCheckBox* thumbnails_;
    QPushButton* ok_;
};

}  // namespace vireo
