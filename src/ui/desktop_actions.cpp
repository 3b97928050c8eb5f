#include "ui/desktop_actions.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

#include "platform/router/router_discovery.h"
#include "ui/dialog_parts.h"

namespace vireo {

DesktopActions SystemDesktopActions()
{
    const QString caption = QStringLiteral("Vireo");
    DesktopActions actions;
    actions.open_url = [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); };
    actions.open_folder = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    actions.confirm = [caption](QWidget* parent, const QString& question) {
        return QMessageBox::question(parent, caption, question, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
    actions.inform = InformInMessageBox;
    actions.ask_router = [] { return DiscoverExternalAddress(); };
    return actions;
}

}  // namespace vireo
