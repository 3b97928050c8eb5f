#include "ui/add_member_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "community/web_community/community_rules.h"
#include "community/web_community/community_store.h"
#include "ui/dialog_parts.h"

namespace vireo {
namespace {

bool IsNewMemberId(const std::string& id)
{
    return IsMemberIdLength(id) && !FindMember(id);
}

}  // namespace

AddMemberDialog::AddMemberDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Web Community --- Add Member"));
    auto* note = new QLabel(
        QStringLiteral("Create a Member ID (Login ID) for a new member of your Web Community"), this);
    box_ = new QLineEdit(this);
    box_->setMaxLength(static_cast<int>(kMaxCommunityIdLength));
    box_->setAccessibleName(QStringLiteral("Member ID:"));
    QDialogButtonBox* buttons = OkCancelButtons(this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setEnabled(false);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Member ID:"), box_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(box_, &QLineEdit::textChanged, this, [this] { ok_->setEnabled(IsNewMemberId(TypedText(box_))); });
}

void AddMemberDialog::accept()
{
    std::string id = TypedText(box_);
    if (!IsNewMemberId(id)) return;
    id_ = std::move(id);
    QDialog::accept();
}

}  // namespace vireo
