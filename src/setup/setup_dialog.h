#pragma once

// The "Vireo Setup" dialog: New Install into a chosen folder, Re-install / Upgrade of the recorded
// installation, or Remove. It opens in the mode the recorded installation allows, and OK runs the
// chosen operation (installation.h).

#include <QDialog>
#include <QString>
#include <functional>

#include "setup/installation.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vireo::setup {

// How the dialog talks to the user; the tests answer in the user's place.
struct SetupPrompts {
    std::function<void(QWidget* parent, const QString& message)> inform;
    std::function<bool(QWidget* parent, const QString& question)> confirm;
    // A folder chosen beginning at `start`, or an empty text when the user cancels.
    std::function<QString(QWidget* parent, const QString& start)> choose_folder;
};

// Message boxes captioned "Vireo Setup" and the toolkit's folder chooser.
SetupPrompts MessageBoxPrompts();

class SetupDialog final : public QDialog {
public:
    // `payload`: where the files to install are (":/payload" in vireo-setup itself).
    SetupDialog(QString payload, SetupPrompts prompts, QWidget* parent = nullptr);

    QRadioButton* newInstallButton() const { return new_install_; }
    QRadioButton* upgradeButton() const { return upgrade_; }
    QRadioButton* removeButton() const { return remove_; }
    QLineEdit* folderBox() const { return folder_; }
    QPushButton* browseButton() const { return browse_; }
    QPushButton* okButton() const { return ok_; }

    // OK: runs the chosen operation. The dialog closes accepted when it succeeded, rejected when
    // removal was declined or failed, and stays open when the user can still set things right.
    void accept() override;

private:
    void UpdateEnabled();
    void Browse();
    void Report(Outcome outcome);

    QString payload_;
    SetupPrompts prompts_;
    QRadioButton* new_install_;
    QRadioButton* upgrade_;
    QRadioButton* remove_;
    QLineEdit* folder_;
    QPushButton* browse_;
    QPushButton* ok_;
};

}  // namespace vireo::setup
