#pragma once

#include "http/client_entry.h"

namespace vireo {

// What the server tells the window (or the headless runner) about itself. The numbers are the
// command ids the desktop window and its peers know them by.
enum class ServerNotice {
    Listening = 32775,
    StartFailed = 32776,
    Stopped = 32777,
};

// What a connection thread tells the window about its client; the notice carries the client's
// entry as it was at that moment, so a later connection on the same descriptor is never mistaken
// for it.
enum class ClientNotice {
    Connected = 1000,
    StateChanged = 1001,
    Progress = 1002,
    Closed = 1003,
};

// What a service of the site tells the window.
enum class ServiceNotice {
    ChatStarted = 32802,          // the chat room's thread has started
    ChatEnded = 32803,            // the chat room's thread has ended
    ChatEvictionHandled = 32805,  // a disconnect or block asked for by the window has been handled
    GuestbookMessage = 32809,     // a visitor's message was stored in the guestbook
    ChatWakeHost = 32811,         // a member asked for the host, who is not in the room
};

// Receives notifications from worker threads. Implementations must be thread-safe and must not
// call back into the server: the desktop window queues them onto its own thread, `vireo serve`
// prints them.
class ServerEvents {
public:
    virtual ~ServerEvents() = default;
    virtual void OnServerNotice(ServerNotice notice) = 0;
    virtual void OnClientNotice(ClientNotice notice, const ClientEntry& client) = 0;
    // Called on the thread of the service (a connection thread, the chat thread); ignored unless
    // wanted.
    virtual void OnServiceNotice(ServiceNotice) {}
};

}  // namespace vireo
