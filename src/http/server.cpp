#include "http/server.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/io.h"
#include "http/connection_thread.h"

namespace vireo {
namespace {

constexpr int kListenSliceMs = 3000;
// Room for a burst of simultaneous visitors; a short queue makes the system drop connection
// attempts that then wait a whole second to be retried.
constexpr int kBacklog = 128;
// After an accept failure other than a full descriptor table, wait a little before the next
// attempt so a persistent failure cannot turn the listener into a busy loop.
constexpr int kAcceptRetryMs = 100;
// How long the listener leaves waiting connections to the connection threads once one of them was
// quicker.
constexpr int kYieldMs = 1;

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
      wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      spare_(::open("/dev/null", O_RDONLY | O_CLOEXEC))
{
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
    if (int code = listener_.SetBlocking(false); code < 0) return Fail(code);
    if (int code = listener_.Listen(kBacklog); code < 0) return Fail(code);

    Ipv4Endpoint bound;
    if (!listener_.LocalAddress(bound)) return LoopResult::NoAddress;
    // Bound to one address, that address is this end of every connection.
    if (bound.address != Ipv4Address{}) accepted_local_ = bound;
    if (bound.address == Ipv4Address{}) {
        if (auto first = HostFirstAddress()) bound.address = *first;
    }
    context_->SetBoundAddress(bound);
    context_->SetListener(listener_.handle(), accepted_local_);
    if (context_->events) context_->events->OnServerNotice(ServerNotice::Listening);

    while (!stop_.load()) {
        pollfd waits[2] = {{listener_.handle(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
        int ready = PollRetrying(waits, 2, kListenSliceMs);
        if (ready < 0) break;
        if (ready == 0 || waits[1].revents != 0) continue;
        if (waits[0].revents & (POLLERR | POLLNVAL)) break;
        AcceptOne();
    }
    // A stopped server refuses new visitors instead of letting them wait in the queue unanswered.
    context_->SetListener(-1);
    listener_.Close();
    return LoopResult::Stopped;
}

void Server::Pause(int milliseconds)
{
    pollfd wait{wake_.get(), POLLIN, 0};
    ::poll(&wait, 1, milliseconds);
}

void Server::AcceptOne()
{
    StreamSocket accepted;
    int code = listener_.Accept(accepted, accepted_local_);
    if (code == kSocketWouldBlock) {
        // A connection thread took the connection first: under load they take every one as they
        // finish, and this thread only needs to look now and then for one they leave waiting.
        Pause(kYieldMs);
        return;
    }
    if (code == -EMFILE || code == -ENFILE) {
        // Out of descriptors: give one back for a moment to take the waiting connection off the
        // queue and close it, so the listener does not wake for it again and again.
        spare_.reset();
        int shed = ::accept(listener_.handle(), nullptr, nullptr);
        if (shed >= 0) ::close(shed);
        spare_.reset(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        Pause(kAcceptRetryMs);
        return;
    }
    if (code < 0) {
        Pause(kAcceptRetryMs);
        return;
    }
    // A refused peer sees its connection closed at once: no answer, no thread, no record.
    if (!context_->setup.admit(accepted)) return;
    StartConnectionThread(context_, accepted);
}

}  // namespace vireo
