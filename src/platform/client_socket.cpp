#include "platform/client_socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "base/io.h"
#include "base/socket_address.h"

namespace vireo {
namespace {

NetFailure FailureOfErrno(int error)
{
    return error == ECONNRESET || error == EPIPE ? NetFailure::PeerClosed : NetFailure::Broken;
}

bool IsTransient(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

struct AddressInfoFree {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};

}  // namespace

std::optional<NetFailure> WaitReady(int socket, short events, const WaitLimit& limit)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            limit.deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return NetFailure::TimedOut;
        pollfd waits[2] = {{socket, events, 0}, {limit.cancel_fd, POLLIN, 0}};
        const nfds_t count = limit.cancel_fd >= 0 ? 2 : 1;
        const int ready = PollRetrying(waits, count, static_cast<int>(left.count()) + 1);
        if (ready < 0) return NetFailure::Broken;
        if (count == 2 && waits[1].revents != 0) return NetFailure::Cancelled;
        if (waits[0].revents != 0) return std::nullopt;
    }
}

std::optional<Ipv4Address> ResolveIpv4(const std::string& host)
{
    Ipv4Address parsed{};
    if (ParseAddress(host, parsed)) return parsed;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (host.empty() || ::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
        return std::nullopt;
    std::unique_ptr<addrinfo, AddressInfoFree> list(found);
    const auto* address = reinterpret_cast<const sockaddr_in*>(list->ai_addr);
    std::memcpy(parsed.data(), &address->sin_addr, 4);
    return parsed;
}

TcpClient::TcpClient() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {}

std::optional<NetFailure> TcpClient::Connect(const Ipv4Endpoint& peer, const WaitLimit& limit)
{
    if (!fd_) return NetFailure::NoSocket;
    const sockaddr_in address = ToSockaddr(peer);
    if (::connect(fd_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return std::nullopt;
    if (errno != EINPROGRESS && errno != EINTR) return NetFailure::NotReached;
    if (std::optional<NetFailure> failure = WaitReady(fd_.get(), POLLOUT, limit)) return failure;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd_.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
        return NetFailure::NotReached;
    }
    return std::nullopt;
}

std::optional<NetFailure> TcpClient::SendAll(std::string_view bytes, const WaitLimit& limit)
{
    while (!bytes.empty()) {
        if (std::optional<NetFailure> failure = WaitReady(fd_.get(), POLLOUT, limit)) return failure;
        const ssize_t sent = ::send(fd_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (IsTransient(errno)) continue;
            return FailureOfErrno(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return std::nullopt;
}

std::expected<std::size_t, NetFailure> TcpClient::Receive(std::string& into, std::size_t room,
                                                          const WaitLimit& limit)
{
    if (room == 0) return std::unexpected(NetFailure::TooLarge);
    for (;;) {
        if (std::optional<NetFailure> failure = WaitReady(fd_.get(), POLLIN, limit)) {
            return std::unexpected(*failure);
        }
        const std::size_t before = into.size();
        into.resize(before + room);
        const ssize_t got = ReceiveSome(fd_.get(), into.data() + before, room, 0);
        into.resize(before + (got > 0 ? static_cast<std::size_t>(got) : 0));
        if (got >= 0) return static_cast<std::size_t>(got);
        if (!IsTransient(errno)) return std::unexpected(FailureOfErrno(errno));
    }
}

UdpClient::UdpClient(const Ipv4Endpoint& peer)
    : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0))
{
    const sockaddr_in address = ToSockaddr(peer);
    if (fd_ && ::connect(fd_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        fd_.reset();
}

std::optional<NetFailure> UdpClient::Send(std::string_view datagram, const WaitLimit& limit)
{
    if (!fd_) return NetFailure::NoSocket;
    for (;;) {
        if (std::optional<NetFailure> failure = WaitReady(fd_.get(), POLLOUT, limit)) return failure;
        const ssize_t sent = ::send(fd_.get(), datagram.data(), datagram.size(), MSG_NOSIGNAL);
        if (sent == static_cast<ssize_t>(datagram.size())) return std::nullopt;
        if (sent < 0 && IsTransient(errno)) continue;
        return NetFailure::Broken;
    }
}

std::expected<std::string, NetFailure> UdpClient::Receive(std::size_t room, const WaitLimit& limit)
{
    if (!fd_) return std::unexpected(NetFailure::NoSocket);
    std::string datagram(room, '\0');
    for (;;) {
        if (std::optional<NetFailure> failure = WaitReady(fd_.get(), POLLIN, limit)) {
            return std::unexpected(*failure);
        }
        const ssize_t got = ReceiveSome(fd_.get(), datagram.data(), datagram.size(), 0);
        if (got >= 0) {
            datagram.resize(static_cast<std::size_t>(got));
            return datagram;
        }
        // A port-unreachable report from the peer means nobody listens there.
        if (errno == ECONNREFUSED) return std::unexpected(NetFailure::NotReached);
        if (!IsTransient(errno)) return std::unexpected(NetFailure::Broken);
    }
}

}  // namespace vireo
