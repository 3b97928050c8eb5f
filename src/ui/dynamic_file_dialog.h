#pragma once

// "Dynamic File Property": one dynamic file's display name, path, real-time flag and the pattern
// of its newest-file search.

#include <QDialog>
#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vireo {

class DynamicFilePropertyDialog final : public QDialog {
public:
    // `name` is the display name of the dynamic file to edit.
    DynamicFilePropertyDialog(QWidget* parent, std::string name);

    // Stores the file, under its new display name when it was renamed.
    void accept() override;

    QLineEdit* nameBox() const { return name_; }
    QLineEdit* pathBox() const { return path_; }
    QCheckBox* realTimeBox() const { return real_time_; }
    QCheckBox* newestBox() const { return newest_; }
    QLineEdit* patternBox() const { return pattern_; }
    QPushButton* okButton() const { return ok_; }

private:
    bool CanStore() const;
    void EnableControls();

    std::string editing_;
    std::vector<std::string> other_names_;  // the dynamic files this one may not be named as
    QLineEdit* name_;
    QLineEdit* path_;
    QCheckBox* real_time_;
    QCheckBox* newest_;
    QLineEdit* pattern_;
    QPushButton* ok_;
};

}  // namespace vireo
