#include "ui/window_events.h"

#include <QMetaObject>

namespace vireo {

WindowEvents::WindowEvents(QObject* context, Receivers receivers, int client_interval_ms)
    : context_(context), receivers_(std::move(receivers)), timer_(new QTimer(context))
{
    timer_->setSingleShot(true);
    timer_->setInterval(client_interval_ms);
    QObject::connect(timer_, &QTimer::timeout, context, [this] { HandOverClientNotices(); });
}

void WindowEvents::Detach()
{
    std::lock_guard guard(lock_);
    context_ = nullptr;
}

void WindowEvents::Post(std::function<void()> call)
{
    // Under the lock, so the context cannot be detached and destroyed between the test and the
    // post; a destroyed object's queued calls are dropped by Qt itself.
    std::lock_guard guard(lock_);
    if (context_) QMetaObject::invokeMethod(context_, std::move(call), Qt::QueuedConnection);
}

void WindowEvents::OnServerNotice(ServerNotice notice)
{
    Post([this, notice] { receivers_.server(notice); });
}

void WindowEvents::OnServiceNotice(ServiceNotice notice)
{
    Post([this, notice] { receivers_.service(notice); });
}

void WindowEvents::OnClientNotice(ClientNotice notice, const ClientEntry& client)
{
    std::lock_guard guard(lock_);
    if (pending_.size() >= kPendingLimit &&
        (notice == ClientNotice::Progress || pending_.size() >= 2 * kPendingLimit))
        return;
    pending_.push_back({notice, client});
    if (scheduled_ || !context_) return;
    scheduled_ = true;
    // The timer lives on the window's thread: started there, it gathers whatever comes meanwhile.
    QMetaObject::invokeMethod(
        context_, [this] { timer_->start(); }, Qt::QueuedConnection);
}

void WindowEvents::HandOverClientNotices()
{
    std::vector<ClientNoticeRecord> taken;
    {
        std::lock_guard guard(lock_);
        taken.swap(pending_);
        scheduled_ = false;
    }
    if (!taken.empty()) receivers_.clients(taken);
}

}  // namespace vireo
