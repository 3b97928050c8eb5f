#pragma once

// Carries what the server and the services report, from their threads to the window's. Server and
// service notices arrive one by one; client notices are gathered and handed over together a few
// times a second, so a busy server cannot flood the window.

#include <QObject>
#include <QTimer>
#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

#include "http/server_events.h"

namespace vireo {

struct ClientNoticeRecord {
    ClientNotice notice;
    ClientEntry client;  // as it was when the notice was given
};

class WindowEvents final : public ServerEvents {
public:
    struct Receivers {
        std::function<void(ServerNotice)> server;
        std::function<void(ServiceNotice)> service;
        std::function<void(const std::vector<ClientNoticeRecord>&)> clients;
    };

    // The receivers run on the thread of `context`, and only while it exists. Client notices come
    // every `client_interval_ms` at most.
    WindowEvents(QObject* context, Receivers receivers, int client_interval_ms = 100);

    // Called by the context before it goes: nothing is posted to it afterwards, whichever thread
    // reports. (Connection threads may outlive the window; what they say then goes nowhere.)
    void Detach();

    void OnServerNotice(ServerNotice notice) override;
    void OnClientNotice(ClientNotice notice, const ClientEntry& client) override;
    void OnServiceNotice(ServiceNotice notice) override;

    // Client notices kept between two hand-overs: beyond kPendingLimit progress reports are dropped
    // (the next one says the same, with a larger number), beyond twice that every notice, so a
    // window that cannot keep up never holds more than this in memory.
    static constexpr std::size_t kPendingLimit = 10000;

private:
    void Post(std::function<void()> call);
    void HandOverClientNotices();

    std::mutex lock_;   // guards context_ and the pending notices
    QObject* context_;  // null once detached
    Receivers receivers_;
    QTimer* timer_;  // a child of the context, so it goes with it; fires on its thread
    std::vector<ClientNoticeRecord> pending_;
    bool scheduled_ = false;
};

}  // namespace vireo
