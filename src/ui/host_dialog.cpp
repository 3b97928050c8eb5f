#include "ui/host_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/ascii_case.h"
#include "base/utf8.h"
#include "community/web_community/community_rules.h"
#include "community/web_community/community_store.h"
#include "ui/dialog_parts.h"
#include "ui/widget_parts.h"

namespace vireo {
namespace {

// Each entry of the two drop-down lists keeps what the record stores for it.
constexpr int kStoredRole = Qt::UserRole;

QLineEdit* TextBox(const std::string& text, std::size_t max_length, const QString& label, QWidget* parent)
{
    auto* box = new QLineEdit(WidgetText(text), parent);
    box->setMaxLength(static_cast<int>(max_length));
    box->setAccessibleName(label);
    return box;
}

void AddChoice(QComboBox* list, const std::string& label, const std::string& stored)
{
    list->addItem(WidgetText(label), QByteArray::fromStdString(stored));
}

// Selects the entry that stands for `stored` (names compare as the store does); with none, nothing
// is selected and the record keeps what it has.
void SelectStored(QComboBox* list, std::string_view stored)
{
    for (int index = 0; index < list->count(); ++index) {
        if (EqualsIgnoreCase(list->itemData(index, kStoredRole).toByteArray().toStdString(), stored)) {
            list->setCurrentIndex(index);
            return;
        }
    }
    list->setCurrentIndex(-1);
}

// What the selected entry stores; `kept` when nothing is selected.
std::string StoredChoice(const QComboBox* list, const std::string& kept)
{
    if (list->currentIndex() < 0) return kept;
    return list->currentData(kStoredRole).toByteArray().toStdString();
}

CommunityHost NewHost()
{
    CommunityHost host;
    host.id = kTestCommunityId;
    host.login_url = kTestCommunityLoginUrl;
    return host;
}

}  // namespace

HostDialog::HostDialog(QWidget* parent) : HostDialog(parent, NewHost(), "") {}

HostDialog::HostDialog(QWidget* parent, CommunityHost host) : HostDialog(parent, host, host.id) {}

HostDialog::HostDialog(QWidget* parent, CommunityHost host, std::string old_id)
    : QDialog(parent), host_(std::move(host)), old_id_(std::move(old_id))
{
    setWindowTitle(QStringLiteral("Web Community --- Add/Update Host"));
    id_ = TextBox(host_.id, kMaxCommunityIdLength, QStringLiteral("ID:"), this);
    login_url_ = TextBox(host_.login_url, kMaxRecordText, QStringLiteral("URL:"), this);
    login_url_->setAccessibleDescription(QStringLiteral("The login address of the community's host"));
    name_ = TextBox(host_.site_name, kMaxRecordText, QStringLiteral("Name:"), this);
    page_ = new QComboBox(this);
    page_->setAccessibleName(QStringLiteral("URL:"));
    page_->setAccessibleDescription(QStringLiteral("The page of your site the community links to"));
    for (const PageChoice& choice : MemberPageChoices()) AddChoice(page_, choice.label, choice.path);
    SelectStored(page_, host_.page_path);
    icon_ = new QComboBox(this);
    icon_->setAccessibleName(QStringLiteral("Icon"));
    AddChoice(icon_, "", "");
    for (const std::string& icon : MemberIconChoices()) AddChoice(icon_, icon, icon);
    SelectStored(icon_, host_.icon);
    description_ = TextBox(host_.description, kMaxRecordText, QStringLiteral("Description:"), this);
    QDialogButtonBox* buttons = OkCancelButtons(this);
    ok_ = buttons->button(QDialogButtonBox::Ok);

    auto* login = new QGroupBox(QStringLiteral("Login"), this);
    auto* login_form = new QFormLayout(login);
    login_form->addRow(QStringLiteral("ID:"), id_);
    login_form->addRow(QStringLiteral("URL:"), login_url_);
    auto* site = new QGroupBox(QStringLiteral("About Your Site"), this);
    auto* site_form = new QFormLayout(site);
    site_form->addRow(QStringLiteral("Name:"), name_);
    site_form->addRow(QStringLiteral("URL:"), page_);
    auto* icon_row = new QHBoxLayout;
    icon_row->addWidget(icon_, 1);
    icon_row->addWidget(new QLabel(QStringLiteral("Max: 48 x 48"), this));
    site_form->addRow(QStringLiteral("Icon"), icon_row);
    site_form->addRow(QStringLiteral("Description:"), description_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(login);
    layout->addWidget(site);
    layout->addWidget(buttons);
    resize(480, sizeHint().height());

    connect(id_, &QLineEdit::textChanged, this, [this] { EnableControls(); });
    connect(login_url_, &QLineEdit::textChanged, this, [this] { EnableControls(); });
    EnableControls();
}

bool HostDialog::Acceptable() const
{
    const std::string id = TypedText(id_);
    if (!IsLoginIdLength(id) || !IsLoginUrlLength(TypedText(login_url_))) return false;
    // An edit may keep its own ID, in any letter case; it never takes another record's.
    if (!old_id_.empty() && EqualsIgnoreCase(id, old_id_)) return true;
    return !FindHost(id);
}

void HostDialog::EnableControls()
{
    ok_->setEnabled(Acceptable());
}

void HostDialog::accept()
{
    if (!Acceptable()) return;
    host_.id = TypedText(id_);
    host_.login_url = TypedText(login_url_);
    host_.site_name = CutUtf8(TypedText(name_), kMaxRecordText);
    host_.description = CutUtf8(TypedText(description_), kMaxRecordText);
    host_.page_path = StoredChoice(page_, host_.page_path);
    host_.icon = StoredChoice(icon_, host_.icon);
    QDialog::accept();
}

}  // namespace vireo
