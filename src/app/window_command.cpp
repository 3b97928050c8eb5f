#include "app/window_command.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <expected>
#include <memory>

#include "app/route_table.h"
#include "app/stop_signals.h"
#include "base/unique_fd.h"
#include "community/chat/chat_room.h"
#include "community/web_community/login_thread.h"
#include "platform/instance_lock.h"
#include "site/site_server.h"
#include "ui/main_window.h"

namespace vireo {
namespace {

// SIGTERM (the session ending) and SIGINT, as a descriptor the window's thread watches.
UniqueFd StopSignals()
{
    const sigset_t stops = BlockStopSignals();
    return UniqueFd(::signalfd(-1, &stops, SFD_CLOEXEC | SFD_NONBLOCK));
}

// The tray icon's menu: the window, the server switch, and the end of the program.
std::unique_ptr<QSystemTrayIcon> MakeTrayIcon(MainWindow& window)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return nullptr;
    auto tray = std::make_unique<QSystemTrayIcon>(window.windowIcon());
    tray->setToolTip(QStringLiteral("Vireo"));
    auto* menu = new QMenu(&window);
    menu->addAction(QStringLiteral("Show Window"), &window, [&window] { window.BringToFront(); });
    QAction* server = menu->addAction(QStringLiteral("Start Server"));
    QObject::connect(server, &QAction::triggered, &window,
                     [&window] { window.SetServerRunning(!window.IsServerRunning()); });
    QObject::connect(menu, &QMenu::aboutToShow, &window, [&window, server] {
        server->setText(window.IsServerRunning() ? QStringLiteral("Stop Server")
                                                 : QStringLiteral("Start Server"));
    });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Quit"), &window, [&window] { window.Quit(); });
    tray->setContextMenu(menu);
    QObject::connect(tray.get(), &QSystemTrayIcon::activated, &window,
                     [&window](QSystemTrayIcon::ActivationReason why) {
                         if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick)
                             window.BringToFront();
                     });
    tray->show();
    return tray;
}

}  // namespace

int RunWindowCommand(int argc, char** argv, bool auto_start, std::ostream& err)
{
    const std::expected<UniqueFd, InstanceHolder> instance = TakeInstanceLock(InstanceKind::Window);
    if (!instance && instance.error() == InstanceHolder::Window) {
        // Starting the program again brings the running window back.
        if (AskWindowToShow()) return 0;
        err << "vireo: Vireo already runs on these settings, but its window did not answer.\n";
        return 1;
    }
    if (!instance && instance.error() == InstanceHolder::Headless) {
        err << "vireo: Vireo runs without a window (vireo serve) on these settings; stop it first.\n";
        return 1;
    }

    UniqueFd stop_signals = StopSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vireo"));
    QApplication::setDesktopFileName(QStringLiteral("quillmark-vireo"));
    QApplication::setQuitOnLastWindowClosed(false);

    MainWindow window(SiteServerSetup(SiteRoutes()), auto_start);
    CommunityLoginThread logins([&window] { return window.ListeningAt(); });
    window.WakeLoginsWith([&logins] { logins.Wake(); });

    UniqueFd show_requests = ListenForShowRequests();
    std::unique_ptr<QSocketNotifier> asked;
    if (show_requests) {
        asked = std::make_unique<QSocketNotifier>(show_requests.get(), QSocketNotifier::Read);
        QObject::connect(asked.get(), &QSocketNotifier::activated, &window, [&window, &show_requests] {
            if (AcceptShowRequest(show_requests.get())) window.BringToFront();
        });
    }
    std::unique_ptr<QSocketNotifier> stopped;
    if (stop_signals) {
        stopped = std::make_unique<QSocketNotifier>(stop_signals.get(), QSocketNotifier::Read);
        QObject::connect(stopped.get(), &QSocketNotifier::activated, &window, [&window, &stop_signals] {
            signalfd_siginfo info{};
            [[maybe_unused]] auto got = ::read(stop_signals.get(), &info, sizeof info);
            window.Quit();
        });
    }
    std::unique_ptr<QSystemTrayIcon> tray = MakeTrayIcon(window);
    if (!auto_start) window.show();
    const int result = QApplication::exec();
    // No login may run on into the end, and every chat page ends before the program does.
    logins.Stop();
    SiteChatRoom().StopAndWait();
    return result;
}

}  // namespace vireo
