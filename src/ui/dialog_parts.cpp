#include "ui/dialog_parts.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "base/text_helpers.h"

namespace vireo {

QString ChooseFolderInDialog(QWidget* parent, const QString& start)
{
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("Select Folder"), start,
                                             QFileDialog::ShowDirsOnly);
}

QString ChooseFileInDialog(QWidget* parent, const QString& start)
{
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Select File"), start);
}

void InformInMessageBox(QWidget* parent, const QString& message)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Vireo"), message, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QLineEdit* LabelledBox(const QString& label, int max_length, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setAccessibleName(label);
    box->setMaxLength(max_length);
    return box;
}

QCheckBox* LabelledCheckBox(const QString& label, bool checked, QWidget* parent)
{
    auto* box = new QCheckBox(label, parent);
    box->setAccessibleName(label);
    box->setChecked(checked);
    return box;
}

QLayout* BrowseRow(QLineEdit* box, QPushButton* browse)
{
    // "..." needs no more room than a square button's.
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(browse->text()) +
                          2 * browse->sizeHint().height());
    auto* row = new QHBoxLayout;
    row->addWidget(box, 1);
    row->addWidget(browse);
    return row;
}

QDialogButtonBox* OkCancelButtons(QDialog* dialog)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    for (QAbstractButton* button : buttons->buttons()) button->setAccessibleName(button->text());
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

std::string TypedText(const QLineEdit* box)
{
    return Trimmed(box->text().toUtf8().toStdString());
}

}  // namespace vireo
