#pragma once

// What the settings dialogs share: asking for a folder or a file, telling the user something, the
// labelled controls, the OK and Cancel buttons, and reading an edit box.

#include <QString>
#include <functional>
#include <string>

class QCheckBox;
class QDialog;
class QDialogButtonBox;
class QLayout;
class QLineEdit;
class QPushButton;
class QWidget;

namespace vireo {

// Asks the user for a folder, beginning at `start`; an empty text when the user cancels. The
// dialogs hold one so that their tests can answer in the user's place.
using FolderChooser = std::function<QString(QWidget* parent, const QString& start)>;
// The toolkit's folder chooser: folders only, beginning at `start`.
QString ChooseFolderInDialog(QWidget* parent, const QString& start);

// Asks the user for a file, beginning at `start` (a file or a folder); an empty text when the user
// cancels. Held like FolderChooser.
using FileChooser = std::function<QString(QWidget* parent, const QString& start)>;
// The toolkit's file chooser for one existing file.
QString ChooseFileInDialog(QWidget* parent, const QString& start);

// Tells the user something; the dialogs hold one so that their tests can read what was said.
using InformUser = std::function<void(QWidget* parent, const QString& message)>;
// A message box with the program's name as caption and an information icon.
void InformInMessageBox(QWidget* parent, const QString& message);

// An edit box known to assistive tools by the label shown beside it, taking at most `max_length`
// characters.
QLineEdit* LabelledBox(const QString& label, int max_length, QWidget* parent);
QCheckBox* LabelledCheckBox(const QString& label, bool checked, QWidget* parent);
// An edit box with its "..." button to the right, as one row of a form.
QLayout* BrowseRow(QLineEdit* box, QPushButton* browse);
// OK and Cancel, wired to the dialog's accept and reject, their labels as accessible names.
QDialogButtonBox* OkCancelButtons(QDialog* dialog);

// A box's text as UTF-8, without leading and trailing spaces, tabs, CRs and LFs.
std::string TypedText(const QLineEdit* box);

}  // namespace vireo
