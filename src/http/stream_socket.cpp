#include "http/stream_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "base/io.h"
#include "base/socket_address.h"
#include "http/tls_session.h"

namespace vireo {
namespace {

constexpr std::size_t kReceiveChunk = 8192;
constexpr int kConnectSliceMs = 1000;
constexpr auto kConnectLimit = std::chrono::milliseconds(60000);

// Whether a failed call only found the socket not ready. Every transfer is tried before it is
// waited for, since nearly every one finds the socket ready and the wait would cost a poll.
bool NotReadyYet()
{
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

}  // namespace

int SocketErrorFromErrno(int error)
{
    switch (error) {
        case EAGAIN:
#if EWOULDBLOCK != EAGAIN
        case EWOULDBLOCK:
#endif
        case EINPROGRESS:
            return kSocketWouldBlock;
        case EBADF:
        case ENOTSOCK:
            return kSocketNotASocket;
        case ECONNRESET:
        case EPIPE:
        case ECONNABORTED:
            return kSocketPeerClosed;
        case ETIMEDOUT:
            return kSocketTimedOut;
        case 0:
            return kSocketFailedUnknown;
        default:
            return -error;
    }
}

StreamSocket::StreamSocket() = default;

StreamSocket::~StreamSocket()
{
    tls_.reset();
    if (handle_ >= 0) ::close(handle_);
}

int StreamSocket::Fail(int code)
{
    error_text_ = "Socket Error = " + std::to_string(-code);
    return code;
}

int StreamSocket::FailFromErrno()
{
    int code = SocketErrorFromErrno(errno);
    if (code == kSocketPeerClosed) peer_closed_ = true;
    return Fail(code);
}

int StreamSocket::Create(int type, int protocol)
{
    Close();
    int handle = ::socket(AF_INET, type | SOCK_CLOEXEC, protocol);
    if (handle < 0) return Fail(SocketErrorFromErrno(errno));
    handle_ = handle;
    peer_closed_ = false;
    return 0;
}

void StreamSocket::Attach(int handle)
{
    Close();
    handle_ = handle;
    peer_closed_ = false;
}

void StreamSocket::TakeOver(StreamSocket& other)
{
    std::optional<Ipv4Endpoint> peer = other.peer_;
    std::optional<Ipv4Endpoint> local = other.local_;
    std::unique_ptr<TlsSession> tls = std::move(other.tls_);
    Attach(other.Detach());
    peer_ = peer;
    local_ = local;
    tls_ = std::move(tls);
}

int StreamSocket::Detach()
{
    tls_.reset();
    int handle = handle_;
    handle_ = -1;
    ForgetEnds();
    return handle;
}

void StreamSocket::ForgetEnds()
{
    peer_.reset();
    local_.reset();
}

void StreamSocket::Close()
{
    tls_.reset();
    if (handle_ >= 0) ::close(handle_);
    handle_ = -1;
    ForgetEnds();
    received_.Clear();
    queued_.Clear();
    error_text_.clear();
}

int StreamSocket::Bind(const Ipv4Address& address, std::uint16_t port)
{
    if (handle_ < 0) return Fail(kSocketNotASocket);
    int on = 1;
    // A restarted server must be able to bind its port while old connections linger in TIME_WAIT.
    ::setsockopt(handle_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in sa = ToSockaddr({address, port});
    if (::bind(handle_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        return Fail(SocketErrorFromErrno(errno));
    }
    return 0;
}

int StreamSocket::SetBlocking(bool blocking)
{
    if (handle_ < 0) return Fail(kSocketNotASocket);
    int flags = ::fcntl(handle_, F_GETFL);
    if (flags < 0) return Fail(SocketErrorFromErrno(errno));
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    if (::fcntl(handle_, F_SETFL, flags) != 0) return Fail(SocketErrorFromErrno(errno));
    return 0;
}

int StreamSocket::Listen(int backlog)
{
    if (handle_ < 0) return Fail(kSocketNotASocket);
    if (::listen(handle_, backlog) != 0) return Fail(SocketErrorFromErrno(errno));
    // A connection is handed over once its first bytes are there, so the thread that takes it reads
    // the request at once instead of sleeping until it comes. One that stays silent is handed over
    // after about a second all the same, and the header deadline runs from then.
    int seconds = 1;
    ::setsockopt(handle_, IPPROTO_TCP, TCP_DEFER_ACCEPT, &seconds, sizeof seconds);
    return 0;
}

int StreamSocket::Accept(StreamSocket& into, const std::optional<Ipv4Endpoint>& local)
{
    if (handle_ < 0) return Fail(kSocketNotASocket);
    int code = AcceptFrom(handle_, into, local);
    return code < 0 ? Fail(code) : code;
}

int StreamSocket::AcceptFrom(int listener, StreamSocket& into, const std::optional<Ipv4Endpoint>& local)
{
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    int handle =
        ::accept4(listener, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (handle < 0) return SocketErrorFromErrno(errno);
    into.Attach(handle);
    if (length == sizeof peer && peer.sin_family == AF_INET) into.peer_ = FromSockaddr(peer);
    into.local_ = local;
    return 0;
}

int StreamSocket::Connect(const Ipv4Address& address, std::uint16_t port, bool wait)
{
    if (handle_ < 0) return Fail(kSocketNotASocket);
    sockaddr_in sa = ToSockaddr({address, port});
    if (::connect(handle_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) return 0;
    int code = SocketErrorFromErrno(errno);
    if (code != kSocketWouldBlock || !wait) return Fail(code);

    auto started = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - started <= kConnectLimit) {
        int ready = Wait(kConnectSliceMs, true);
        if (ready < 0) return ready;
        if (ready > 0) return 0;
    }
    return Fail(kSocketTimedOut);
}

int StreamSocket::Wait(int milliseconds, bool for_write)
{
    if (handle_ < 0) return Fail(kSocketNotASocket);
    // Bytes the session has already decrypted are ready without the socket's say.
    if (tls_ && !for_write && tls_->HasPending()) return 1;
    pollfd entry{handle_, static_cast<short>(for_write ? POLLOUT : POLLIN), 0};
    int count = PollRetrying(&entry, 1, milliseconds);
    if (count == 0) return 0;
    if (count < 0) return Fail(SocketErrorFromErrno(errno));
    // A hang-up still lets a reader collect what is left and then see the end of the stream.
    if (entry.revents & (POLLIN | POLLOUT | (for_write ? 0 : POLLHUP))) return 1;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(handle_, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error == 0) {
        return Fail(kSocketFailedUnknown);
    }
    return Fail(SocketErrorFromErrno(error));
}

int StreamSocket::Receive(int milliseconds)
{
    if (handle_ < 0) return Fail(kSocketNotASocket);
    if (tls_) return ReceiveTls(milliseconds);
    char* at = received_.Reserve(kReceiveChunk);
    if (!at) return Fail(kSocketNoMemory);
    ssize_t count = ::recv(handle_, at, kReceiveChunk, MSG_DONTWAIT);
    if (count < 0 && NotReadyYet()) {
        int ready = Wait(milliseconds, false);
        if (ready <= 0) return ready;
        count = ::recv(handle_, at, kReceiveChunk, MSG_DONTWAIT);
    }
    if (count == 0) {
        peer_closed_ = true;
        return Fail(kSocketPeerClosed);
    }
    if (count < 0) return FailFromErrno();
    received_.Commit(static_cast<std::size_t>(count));
    return static_cast<int>(count);
}

std::size_t StreamSocket::Queue(const void* bytes, std::size_t n)
{
    if (bytes && n > 0) queued_.Append(bytes, n);
    return queued_.size();
}

int StreamSocket::Send(int milliseconds)
{
    if (queued_.empty()) return 0;
    if (handle_ < 0) return Fail(kSocketNotASocket);
    if (tls_) return SendTls(milliseconds);
    auto send = [this] {
        return ::send(handle_, queued_.data(), queued_.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    };
    ssize_t count = send();
    if (count < 0 && NotReadyYet()) {
        int ready = Wait(milliseconds, true);
        if (ready <= 0) return ready;
        count = send();
    }
    if (count < 0) return NotReadyYet() ? 0 : FailFromErrno();
    queued_.Consume(static_cast<std::size_t>(count));
    return static_cast<int>(count);
}

int StreamSocket::SendFile(int file, std::size_t count, int milliseconds)
{
    if (count == 0) return 0;
    if (tls_) return SendFileTls(file, count, milliseconds);
    // Large transfers are few, so here the wait comes first: sendfile has no flag to keep it
    // from blocking on a blocking socket.
    int ready = Wait(milliseconds, true);
    if (ready <= 0) return ready;
    ssize_t sent = ::sendfile(handle_, file, nullptr, count);
    if (sent < 0) return NotReadyYet() ? 0 : FailFromErrno();
    // The file ended before the count: it was cut short while it was being sent.
    if (sent == 0) return Fail(-ENODATA);
    return static_cast<int>(sent);
}

int StreamSocket::PeerClosed()
{
    if (peer_closed_) return kSocketPeerClosed;
    if (handle_ < 0) return kSocketNotASocket;
    if (tls_) return PeerClosedTls();
    if (Wait(0, false) == 0) return 0;
    char probe;
    if (::recv(handle_, &probe, 1, MSG_PEEK | MSG_DONTWAIT) == 1) return 0;
    peer_closed_ = true;
    return kSocketPeerClosed;
}

bool StreamSocket::PeerAddress(Ipv4Endpoint& out) const
{
    // A connected socket's two ends never change, so the system is asked once.
    if (!peer_) {
        sockaddr_in sa{};
        socklen_t length = sizeof sa;
        if (handle_ < 0 || ::getpeername(handle_, reinterpret_cast<sockaddr*>(&sa), &length) != 0)
            return false;
        peer_ = FromSockaddr(sa);
    }
    out = *peer_;
    return true;
}

bool StreamSocket::LocalAddress(Ipv4Endpoint& out) const
{
    if (local_) {
        out = *local_;
        return true;
    }
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    if (handle_ < 0 || ::getsockname(handle_, reinterpret_cast<sockaddr*>(&sa), &length) != 0) return false;
    out = FromSockaddr(sa);
    // Only a connected socket's own end is fixed; a listener's changes when it is bound.
    if (peer_) local_ = out;
    return true;
}

}  // namespace vireo
