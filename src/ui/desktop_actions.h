#pragma once

// What the windows ask of the desktop: the browser, the file manager, questions and messages, and
// the home router. Tests put their own in place, so nothing they drive opens a real window of the
// desktop or waits for a user.

#include <QString>
#include <functional>
#include <optional>

#include "base/ipv4.h"

class QWidget;

namespace vireo {

struct DesktopActions {
    // Opens an address (always http or https) in the browser.
    std::function<void(const QString& url)> open_url;
    // Opens a local folder in the file manager.
    std::function<void(const QString& path)> open_folder;
    // Asks a yes/no question; true for yes.
    std::function<bool(QWidget* parent, const QString& question)> confirm;
    // Shows a message.
    std::function<void(QWidget* parent, const QString& message)> inform;
    // Asks the home router for this computer's public address; may take seconds (called on a
    // thread of its own).
    std::function<std::optional<Ipv4Address>()> ask_router;
};

// The real ones: the desktop's browser and file manager, message boxes captioned "Vireo".
DesktopActions SystemDesktopActions();

}  // namespace vireo
