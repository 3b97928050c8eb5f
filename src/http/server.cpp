#include "http/server.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/io.h"
#include "http/connection_thread.h"

namespace vireo {
namespace {

// How often the listener looks whether a connection thread waits for visitors (one that could not
// be started when needed is started again then).
constexpr int kListenSliceMs = 3000;
// Room for a burst of simultaneous visitors; a short queue makes the system drop connection
// attempts that then wait a whole second to be retried.
constexpr int kBacklog = 128;

// The first IPv4 address the host name resolves to, for a server bound to all interfaces.
std::optional<Ipv4Address> HostFirstAddress()
{
    char name[127] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &found) != 0 || !found) return std::nullopt;
    Ipv4Address address;
    std::memcpy(address.data(), &reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr, 4);
    ::freeaddrinfo(found);
    return address;
}

}  // namespace

Server::Server(std::shared_ptr<ServerEvents> events, ServerSetup setup)
    : context_(std::make_shared<ServerContext>(std::move(events), std::move(setup))),
      wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    context_->spare.reset(::open("/dev/null", O_RDONLY | O_CLOEXEC));
}

void ServerContext::ShedWaitingConnection()
{
    // One thread sheds at a time; the others only pause.
    std::unique_lock spare_guard(spare_lock, std::try_to_lock);
    if (!spare_guard) return;
    std::shared_lock guard(listener_lock);
    if (listener < 0) return;
    // The listener blocks: only a connection that is there can be taken without waiting for one.
    pollfd waiting_connection{listener, POLLIN, 0};
    if (::poll(&waiting_connection, 1, 0) != 1 || !(waiting_connection.revents & POLLIN)) return;
    // A table with room again (connections have ended since) serves the visitor instead.
    if (int probe = ::fcntl(spare.get(), F_DUPFD_CLOEXEC, 0); probe >= 0) {
        ::close(probe);
        return;
    }
    spare.reset();
    int shed = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (shed >= 0) ::close(shed);
    spare.reset(::open("/dev/null", O_RDONLY | O_CLOEXEC));
}

Server::~Server()
{
    RequestStop();
    if (thread_.joinable()) thread_.join();
}

void Server::Start()
{
    if (running_.load()) return;
    if (thread_.joinable()) thread_.join();
    stop_ = false;
    std::uint64_t drained;
    while (::read(wake_.get(), &drained, sizeof drained) > 0) {
    }
    running_ = true;
    thread_ = std::thread(&Server::Run, this);
}

void Server::RequestStop()
{
    stop_ = true;
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = ::write(wake_.get(), &one, sizeof one);
}

void Server::Run()
{
    LoopResult result = ListenLoop();
    running_ = false;
    ServerEvents* events = context_->events.get();
    if (!events) return;
    events->OnServerNotice(result == LoopResult::Stopped ? ServerNotice::Stopped : ServerNotice::StartFailed);
}

Server::LoopResult Server::Fail(int code)
{
    last_start_error_ = -code;
    return LoopResult::StartFailed;
}

Server::LoopResult Server::ListenLoop()
{
    context_->SetBoundAddress({});
    accepted_local_.reset();
    last_start_error_ = 0;
    listener_.Close();

    const Ipv4Endpoint wanted = context_->setup.listen_address();
    if (int code = listener_.Create(SOCK_STREAM); code < 0) return Fail(code);
    if (int code = listener_.Bind(wanted.address, wanted.port); code < 0) return Fail(code);
    if (int code = listener_.Listen(kBacklog); code < 0) return Fail(code);
    // The listener blocks: connection threads wait in accept itself, so a visitor costs them one
    // system call. One that waits this long while others wait too is not needed and ends.
    timeval idle_limit{kIdleThreadSeconds, 0};
    ::setsockopt(listener_.handle(), SOL_SOCKET, SO_RCVTIMEO, &idle_limit, sizeof idle_limit);

    Ipv4Endpoint bound;
    if (!listener_.LocalAddress(bound)) return LoopResult::NoAddress;
    // Bound to one address, that address is this end of every connection.
    if (bound.address != Ipv4Address{}) accepted_local_ = bound;
    if (bound.address == Ipv4Address{}) {
        if (auto first = HostFirstAddress()) bound.address = *first;
    }
    context_->SetBoundAddress(bound);
    context_->SetListener(listener_.handle(), accepted_local_);
    SetParkingOpen(*context_, true);
    StartConnectionThread(context_);
    if (context_->events) context_->events->OnServerNotice(ServerNotice::Listening);

    while (!stop_.load()) {
        pollfd wait{wake_.get(), POLLIN, 0};
        int ready = PollRetrying(&wait, 1, kListenSliceMs);
        if (ready < 0) break;
        // Every thread that waited has taken a connection, and the one that should have been started
        // for the next visitor could not be: try again.
        if (ready == 0 && context_->waiting.load() == 0 && !CallParkedThread(*context_)) {
            StartConnectionThread(context_);
        }
    }
    // A stopped server refuses new visitors instead of letting them wait in the queue unanswered.
    // Shutting the socket down ends every accept that waits on it (they fail with EINVAL), so the
    // threads let go of it and end, and it can be closed.
    ::shutdown(listener_.handle(), SHUT_RD);
    SetParkingOpen(*context_, false);
    context_->SetListener(-1);
    listener_.Close();
    return LoopResult::Stopped;
}

}  // namespace vireo
