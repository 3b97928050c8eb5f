#pragma once

// "Home Page": what the site answers at "/": the page the server builds (with its title and
// introduction), a published HTML file, or one of the extension folder's programs.

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace vireo {

class HomePageDialog final : public QDialog {
public:
    explicit HomePageDialog(QWidget* parent);

    // Stores the title and the introduction, and the home page type: the file chosen in the list of
    // the chosen kind, or the generated page when that list has no selection.
    void accept() override;

    QRadioButton* generatedChoice() const { return generated_; }
    QRadioButton* htmlChoice() const { return html_; }
    QRadioButton* extensionChoice() const { return extension_; }
    QLineEdit* titleBox() const { return title_; }
    QPlainTextEdit* introBox() const { return intro_; }
    QListWidget* htmlList() const { return html_files_; }
    QListWidget* extensionList() const { return programs_; }
    QPushButton* okButton() const { return ok_; }

private:
    void EnableControls();

    QRadioButton* generated_;
    QRadioButton* html_;
    QRadioButton* extension_;
    QLineEdit* title_;
    QPlainTextEdit* intro_;
    QListWidget* html_files_;
    QListWidget* programs_;
    QPushButton* ok_;
};

}  // namespace vireo
