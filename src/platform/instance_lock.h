#pragma once

// One Vireo per settings store. Every program that serves from a store holds a lock on a file
// beside it: the desktop window alone (exclusive), `vireo serve` beside other servers (shared, so
// a second one still fails on the port and says so). The system drops a lock when its process
// ends, so a crash leaves nothing stale behind. A running window also listens on a local socket
// named after the store, where a second start asks it to show itself.

#include <expected>
#include <filesystem>
#include <optional>
#include <string>

#include "base/unique_fd.h"

namespace vireo {

enum class InstanceKind {
    Window,    // the desktop program: alone on its store
    Headless,  // `vireo serve`: may share the store with other headless servers, never with a window
};

// Who kept a lock from being taken.
enum class InstanceHolder {
    Window,    // a desktop window runs on the store
    Headless,  // one or more `vireo serve` run on it
    Unknown,   // the lock file could not be made or locked at all
};

// The lock file of the current store ("vireo.lock" beside the user's settings database).
std::optional<std::filesystem::path> InstanceLockPath();

// Takes the store's lock for a program of this kind and holds it while the returned descriptor
// stays open.
std::expected<UniqueFd, InstanceHolder> TakeInstanceLock(InstanceKind kind);

// Which program holds the store now, if any, without keeping a lock.
std::optional<InstanceHolder> FindInstanceHolder();

// The window's side of the local socket: a listening socket, or none when the name is taken.
UniqueFd ListenForShowRequests();
// Accepts one waiting request on the listening socket; true when it came from a program of this
// user (anyone else is hung up on).
bool AcceptShowRequest(int listener);
// Asks the window running on this store to show itself; true when a window of this user took the
// request.
bool AskWindowToShow();

}  // namespace vireo
