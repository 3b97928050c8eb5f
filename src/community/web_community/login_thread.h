#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "base/ipv4.h"
#include "community/web_community/member_login.h"
#include "platform/cancel_event.h"

namespace vireo {

// Between two login passes the thread waits this long unless it is woken.
inline constexpr std::chrono::milliseconds kLoginPeriod{300000};

// The member's login thread, one for the whole program: while "AsWebCommMember" is on and the
// server runs, it logs in to every community host in the store, one after another; a pass runs
// when the thread starts, whenever it is woken (the server has started listening, the owner has
// changed the host list) and otherwise every `period`. A wake that comes during a pass brings
// another pass right after it.
class CommunityLoginThread {
public:
    // The address the site is reached at, or nothing while the server does not run. Called on the
    // login thread.
    using SiteAddress = std::function<std::optional<Ipv4Endpoint>()>;

    explicit CommunityLoginThread(SiteAddress site, LoginLimits limits = {},
                                  std::chrono::milliseconds period = kLoginPeriod);
    // Stops the thread and waits for it.
    ~CommunityLoginThread();
    CommunityLoginThread(const CommunityLoginThread&) = delete;
    CommunityLoginThread& operator=(const CommunityLoginThread&) = delete;

    void Wake();
    // Ends the thread at once: a login in progress is cut short and leaves its record as it was.
    // Returns once the thread has ended.
    void Stop();

private:
    void Run();
    void LoginPass();

    const SiteAddress site_;
    const LoginLimits limits_;
    const std::chrono::milliseconds period_;
    CancelEvent cancel_;
    std::mutex lock_;
    std::condition_variable changed_;
    bool woken_ = false;
    bool stopping_ = false;
    std::thread thread_;  // last: it starts once everything above is ready
};

}  // namespace vireo
