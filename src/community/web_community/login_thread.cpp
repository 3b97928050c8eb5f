#include "community/web_community/login_thread.h"

#include "base/text_helpers.h"
#include "community/web_community/community_store.h"
#include "settings/settings.h"

namespace vireo {

CommunityLoginThread::CommunityLoginThread(SiteAddress site, LoginLimits limits,
                                           std::chrono::milliseconds period)
    : site_(std::move(site)), limits_(limits), period_(period), thread_([this] { Run(); })
{
}

CommunityLoginThread::~CommunityLoginThread()
{
    Stop();
}

void CommunityLoginThread::Wake()
{
    std::lock_guard guard(lock_);
    woken_ = true;
    changed_.notify_all();
}

void CommunityLoginThread::Stop()
{
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
        changed_.notify_all();
    }
    cancel_.Set();
    if (thread_.joinable()) thread_.join();
}

void CommunityLoginThread::Run()
{
    std::unique_lock guard(lock_);
    while (!stopping_) {
        woken_ = false;
        guard.unlock();
        LoginPass();
        guard.lock();
        changed_.wait_for(guard, period_, [this] { return woken_ || stopping_; });
    }
}

void CommunityLoginThread::LoginPass()
{
    if (!GetAsWebCommMember()) return;
    std::optional<Ipv4Endpoint> site = site_();
    if (!site) return;
    const std::string site_url = FormatSiteUrl(*site);
    for (const CommunityHost& host : ListHosts()) {
        if (!LoginToHost(host, site_url, limits_, cancel_.fd())) return;  // stopping
    }
}

}  // namespace vireo
