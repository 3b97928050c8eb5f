#include "ui/home_page_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "base/ascii_case.h"
#include "base/text_helpers.h"
#include "base/utf8.h"
#include "platform/runnable_program.h"
#include "settings/dynamic_files.h"
#include "settings/extension_settings.h"
#include "settings/settings.h"
#include "settings/settings_catalog.h"
#include "ui/dialog_parts.h"
#include "ui/store_warning.h"
#include "ui/widget_parts.h"

namespace vireo {
namespace {

namespace fs = std::filesystem;

bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && EqualsIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

// The display names of the published files that are web pages, in the store's order.
std::vector<std::string> HtmlFileNames()
{
    std::vector<std::string> names;
    for (int i = 0;; ++i) {
        const std::optional<std::pair<std::string, DynamicFile>> file = EnumDynamicFile(i);
        if (!file) break;
        if (EndsWithIgnoreCase(file->second.path, "html") || EndsWithIgnoreCase(file->second.path, "htm"))
            names.push_back(file->first);
    }
    return names;
}

// The programs of the extension folder while extensions are on: exactly the files a request below
// /Extension/ would run, in name order.
std::vector<std::string> ExtensionProgramNames()
{
    std::vector<std::string> names;
    const std::optional<std::string> folder = GetExtensionFolder();
    if (!folder) return names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(*folder, error)) {
        if (FindRunnableProgram(entry.path().string())) names.push_back(entry.path().filename().string());
    }
    std::ranges::sort(names,
                      [](const std::string& a, const std::string& b) { return CompareIgnoreCase(a, b) < 0; });
    return names;
}

// Fills a list with names and selects the one equal to `chosen` without regard to ASCII case.
void FillList(QListWidget* list, const std::vector<std::string>& names, std::string_view chosen)
{
    for (const std::string& name : names) {
        auto* entry = new QListWidgetItem(WidgetText(name), list);
        if (!chosen.empty() && EqualsIgnoreCase(name, chosen)) list->setCurrentItem(entry);
    }
}

}  // namespace

HomePageDialog::HomePageDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Home Page"));
    generated_ = new QRadioButton(QStringLiteral("Use auto-generated home page:"), this);
    html_ = new QRadioButton(QStringLiteral("Use this HTML file as home page:"), this);
    extension_ = new QRadioButton(QStringLiteral("Use this Extension file as home page:"), this);
    auto* kinds = new QButtonGroup(this);
    for (QRadioButton* choice : {generated_, html_, extension_}) {
        choice->setAccessibleName(choice->text());
        kinds->addButton(choice);
    }
    title_ = new QLineEdit(WidgetText(GetMainPageTitle()), this);
    title_->setMaxLength(static_cast<int>(setting::kMainPageTitle.capacity));
    title_->setAccessibleName(QStringLiteral("Title:"));
    intro_ = new QPlainTextEdit(WidgetText(GetSiteIntro().value_or("")), this);
    intro_->setAccessibleName(QStringLiteral("Description about your Web site:"));
    html_files_ = new QListWidget(this);
    html_files_->setAccessibleName(html_->text());
    programs_ = new QListWidget(this);
    programs_->setAccessibleName(extension_->text());

    const HomePageType type = GetHomePageType();
    const std::string file = GetHomePageFile().value_or("");
    FillList(html_files_, HtmlFileNames(), type == HomePageType::HtmlFile ? file : "");
    FillList(programs_, ExtensionProgramNames(), type == HomePageType::ExtensionFile ? file : "");
    switch (type) {
        case HomePageType::Generated:
            generated_->setChecked(true);
            break;
        case HomePageType::HtmlFile:
            html_->setChecked(true);
            break;
        case HomePageType::ExtensionFile:
            extension_->setChecked(true);
            break;
    }

    auto* title_label = new QLabel(QStringLiteral("Title:"), this);
    title_label->setBuddy(title_);
    auto* intro_label = new QLabel(QStringLiteral("Description about your Web site:"), this);
    intro_label->setBuddy(intro_);
    QDialogButtonBox* buttons = OkCancelButtons(this);
    ok_ = buttons->button(QDialogButtonBox::Ok);

    // The title and introduction belong to the generated page, so they sit indented below its
    // choice; each file list sits below its own.
    auto* grid = new QGridLayout;
    grid->setColumnMinimumWidth(0, 20);
    grid->addWidget(generated_, 0, 0, 1, 3);
    grid->addWidget(title_label, 1, 1);
    grid->addWidget(title_, 1, 2);
    grid->addWidget(intro_label, 2, 1, 1, 2);
    grid->addWidget(intro_, 3, 1, 1, 2);
    grid->addWidget(html_, 4, 0, 1, 3);
    grid->addWidget(html_files_, 5, 1, 1, 2);
    grid->addWidget(extension_, 6, 0, 1, 3);
    grid->addWidget(programs_, 7, 1, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    resize(460, 520);

    for (QRadioButton* choice : {generated_, html_, extension_})
        connect(choice, &QRadioButton::toggled, this, [this] { EnableControls(); });
    for (QListWidget* list : {html_files_, programs_})
        connect(list, &QListWidget::itemSelectionChanged, this, [this] { EnableControls(); });
    EnableControls();
}

void HomePageDialog::EnableControls()
{
    html_files_->setEnabled(html_->isChecked());
    programs_->setEnabled(extension_->isChecked());
}

void HomePageDialog::accept()
{
    bool stored = SetMainPageTitle(CutUtf8(TypedText(title_), setting::kMainPageTitle.MaxBytes()));
    stored = SetSiteIntro(CutUtf8(Trimmed(intro_->toPlainText().toUtf8().toStdString()),
                                  setting::kSiteIntro.MaxBytes())) &&
             stored;
    HomePageType type = HomePageType::Generated;
    const QListWidget* list = nullptr;
    if (html_->isChecked()) {
        type = HomePageType::HtmlFile;
        list = html_files_;
    } else if (extension_->isChecked()) {
        type = HomePageType::ExtensionFile;
        list = programs_;
    }
    const QList<QListWidgetItem*> chosen = list ? list->selectedItems() : QList<QListWidgetItem*>();
    if (chosen.isEmpty()) {
        stored = SetHomePageType(static_cast<std::uint32_t>(HomePageType::Generated)) && stored;
    } else {
        stored = SetHomePageFile(chosen.front()->text().toUtf8().toStdString()) &&
                 SetHomePageType(static_cast<std::uint32_t>(type)) && stored;
    }
    if (StoredOrWarn(this, stored)) QDialog::accept();
}

}  // namespace vireo
