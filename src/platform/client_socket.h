#pragma once

#include <chrono>
#include <cstddef>
#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "base/ipv4.h"
#include "base/unique_fd.h"

namespace vireo {

// Why a client's socket step failed.
enum class NetFailure {
    NoSocket,    // no socket could be had
    NotReached,  // the peer refused the connection, or it could not be made
    TimedOut,    // the step's limit passed first
    PeerClosed,  // the peer closed or reset the connection
    Broken,      // any other failure of a send or a receive
    Cancelled,   // the cancel event was set
    TooLarge,    // the peer sent more than the caller takes
};

// How long a run of socket waits may last, and a descriptor whose readability ends them early
// (a CancelEvent's; -1 for none).
struct WaitLimit {
    std::chrono::steady_clock::time_point deadline;
    int cancel_fd = -1;

    static WaitLimit From(std::chrono::milliseconds span, int cancel = -1)
    {
        return {std::chrono::steady_clock::now() + span, cancel};
    }
};

// Waits until the socket is ready for `events` (POLLIN or POLLOUT); nothing when it is (or has an
// error to report), else TimedOut or Cancelled.
std::optional<NetFailure> WaitReady(int socket, short events, const WaitLimit& limit);

// The IPv4 address a host name or dotted address stands for (the first one found).
std::optional<Ipv4Address> ResolveIpv4(const std::string& host);

// A non-blocking TCP client: connect, send, receive, each within a WaitLimit.
class TcpClient {
public:
    TcpClient();
    bool valid() const { return fd_.valid(); }
    int handle() const { return fd_.get(); }

    // NotReached when refused or failing, TimedOut or Cancelled when the limit ends the wait.
    std::optional<NetFailure> Connect(const Ipv4Endpoint& peer, const WaitLimit& limit);
    std::optional<NetFailure> SendAll(std::string_view bytes, const WaitLimit& limit);
    // Appends at most `room` received bytes to `into`; the count, 0 when the peer has closed.
    std::expected<std::size_t, NetFailure> Receive(std::string& into, std::size_t room,
                                                   const WaitLimit& limit);

private:
    UniqueFd fd_;
};

// A connected UDP socket: only datagrams from its peer reach it.
class UdpClient {
public:
    explicit UdpClient(const Ipv4Endpoint& peer);
    bool valid() const { return fd_.valid(); }

    std::optional<NetFailure> Send(std::string_view datagram, const WaitLimit& limit);
    // The next datagram, cut to `room` bytes.
    std::expected<std::string, NetFailure> Receive(std::size_t room, const WaitLimit& limit);

private:
    UniqueFd fd_;
};

}  // namespace vireo
