// The parts of StreamSocket that know whether a connection speaks TLS: starting it, and the
// transfers through the session.

#include <sys/socket.h>

#include <cerrno>

#include "base/io.h"
#include "http/stream_socket.h"
#include "http/tls_session.h"

namespace vireo {
namespace {

constexpr std::size_t kReceiveChunk = 8192;

int MillisecondsUntil(std::chrono::steady_clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

int StreamSocket::PeekFirstByte(std::chrono::steady_clock::time_point deadline)
{
    if (handle_ < 0) return Fail(kSocketNotASocket);
    for (;;) {
        unsigned char first = 0;
        const ssize_t count = ReceiveSome(handle_, &first, 1, MSG_PEEK | MSG_DONTWAIT);
        if (count == 1) return first;
        if (count == 0) {
            peer_closed_ = true;
            return Fail(kSocketPeerClosed);
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) return FailFromErrno();
        const int left = MillisecondsUntil(deadline);
        if (left == 0) return Fail(kSocketTimedOut);
        const int ready = Wait(left, false);
        if (ready < 0) return ready;
        if (ready == 0) return Fail(kSocketTimedOut);
    }
}

int StreamSocket::StartTls(const std::shared_ptr<const TlsContext>& context,
                           std::chrono::steady_clock::time_point deadline)
{
    if (handle_ < 0) return Fail(kSocketNotASocket);
    std::unique_ptr<TlsSession> session = TlsSession::Start(context, handle_);
    if (!session) return Fail(kSocketNoMemory);
    const int code = session->Handshake(deadline);
    if (code != 0) return Fail(code);
    tls_ = std::move(session);
    return 0;
}

int StreamSocket::ReceiveAvailable(void* into, std::size_t n)
{
    if (handle_ < 0) return Fail(kSocketNotASocket);
    if (tls_) {
        const int count = tls_->Read(into, n);
        if (count == kSocketPeerClosed) peer_closed_ = true;
        return count >= 0 || count == kSocketWouldBlock ? count : Fail(count);
    }
    const ssize_t count = ReceiveSome(handle_, into, n, MSG_DONTWAIT);
    if (count > 0) return static_cast<int>(count);
    if (count == 0) {
        peer_closed_ = true;
        return Fail(kSocketPeerClosed);
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK) return kSocketWouldBlock;
    return FailFromErrno();
}

void StreamSocket::ShutdownSend()
{
    if (handle_ < 0) return;
    if (tls_) tls_->ShutdownSend();
    ::shutdown(handle_, SHUT_WR);
}

template <class Attempt>
int StreamSocket::ThroughTls(int milliseconds, Attempt attempt)
{
    int count = attempt();
    if (count == kSocketWouldBlock) {
        const int ready = Wait(milliseconds, tls_->wants_write());
        if (ready <= 0) return ready;
        count = attempt();
        if (count == kSocketWouldBlock) return 0;
    }
    if (count == kSocketPeerClosed) peer_closed_ = true;
    return count < 0 ? Fail(count) : count;
}

int StreamSocket::ReceiveTls(int milliseconds)
{
    char* at = received_.Reserve(kReceiveChunk);
    if (!at) return Fail(kSocketNoMemory);
    const int count = ThroughTls(milliseconds, [this, at] { return tls_->Read(at, kReceiveChunk); });
    if (count > 0) received_.Commit(static_cast<std::size_t>(count));
    return count;
}

int StreamSocket::SendTls(int milliseconds)
{
    const int count =
        ThroughTls(milliseconds, [this] { return tls_->Write(queued_.data(), queued_.size()); });
    if (count > 0) queued_.Consume(static_cast<std::size_t>(count));
    return count;
}

int StreamSocket::SendFileTls(int file, std::size_t count, int milliseconds)
{
    return ThroughTls(milliseconds, [this, file, count] { return tls_->WriteFile(file, count); });
}

int StreamSocket::PeerClosedTls()
{
    const int probe = tls_->PeekOne();
    if (probe == 1 || probe == kSocketWouldBlock) return 0;
    peer_closed_ = true;
    return kSocketPeerClosed;
}

}  // namespace vireo
