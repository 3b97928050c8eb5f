// vireo-setup: installs Vireo for the user who runs it, upgrades it and removes it again. The files
// it installs travel inside it as Qt resources below ":/payload", so this one file is the whole
// installer.
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "setup/installation.h"
#include "setup/setup_command.h"
#include "setup/setup_dialog.h"

int main(int argc, char** argv)
{
    const QString payload = QStringLiteral(":/payload");
    const std::vector<std::string> args(argv + 1, argv + argc);
    // As root every per-user path would be root's own, and a removal would delete root's settings;
    // a system-wide installation is the Debian package's job.
    if (::geteuid() == 0) {
        std::cerr << vireo::setup::RootRefusal() << "\n";
        if (args.empty() && (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY"))) {
            QApplication app(argc, argv);
            QMessageBox::information(nullptr, QStringLiteral("Vireo Setup"),
                                     QString::fromStdString(vireo::setup::RootRefusal()));
        }
        return 1;
    }
    if (!args.empty()) return vireo::setup::RunSetupCommand(args, payload, std::cin, std::cout, std::cerr);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vireo Setup"));
    vireo::setup::SetupDialog dialog(payload, vireo::setup::MessageBoxPrompts());
    return dialog.exec() == QDialog::Accepted ? 0 : 1;
}
