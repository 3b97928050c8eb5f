#include "http/tls_session.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "base/io.h"
#include "http/socket_errors.h"

namespace vireo {
namespace {

// File bytes that go through SSL_write are read in pieces of this size: four full records.
constexpr std::size_t kFileChunk = 64 * 1024;

}  // namespace

void TlsSession::SslFree::operator()(SSL* ssl) const
{
    SSL_free(ssl);
}

TlsSession::TlsSession(SSL* ssl, std::shared_ptr<const TlsContext> context)
    : ssl_(ssl), context_(std::move(context))
{
}

TlsSession::~TlsSession() = default;

std::unique_ptr<TlsSession> TlsSession::Start(const std::shared_ptr<const TlsContext>& context, int handle)
{
    if (!context) return nullptr;
    ERR_clear_error();
    std::unique_ptr<SSL, SslFree> ssl(SSL_new(context->get()));
    if (!ssl || SSL_set_fd(ssl.get(), handle) != 1) {
        ERR_clear_error();
        return nullptr;
    }
    SSL_set_accept_state(ssl.get());
    std::unique_ptr<TlsSession> session(new (std::nothrow) TlsSession(ssl.get(), context));
    if (session) ssl.release();
    return session;
}

int TlsSession::Outcome(int result)
{
    wants_write_ = false;
    const int error = SSL_get_error(ssl_.get(), result);
    const int saved_errno = errno;
    ERR_clear_error();
    switch (error) {
        case SSL_ERROR_WANT_READ:
            return kSocketWouldBlock;
        case SSL_ERROR_WANT_WRITE:
            wants_write_ = true;
            return kSocketWouldBlock;
        case SSL_ERROR_ZERO_RETURN:
            return kSocketPeerClosed;
        case SSL_ERROR_SYSCALL:
            if (saved_errno == EAGAIN || saved_errno == EINTR) return kSocketWouldBlock;
            return saved_errno == 0 ? kSocketPeerClosed : SocketErrorFromErrno(saved_errno);
        default:
            return kSocketFailedUnknown;
    }
}

int TlsSession::Handshake(std::chrono::steady_clock::time_point deadline)
{
    const int handle = SSL_get_fd(ssl_.get());
    for (;;) {
        ERR_clear_error();
        errno = 0;
        const int result = SSL_accept(ssl_.get());
        if (result == 1) return 0;
        const int code = Outcome(result);
        if (code != kSocketWouldBlock) return kSocketHandshakeFailed;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return kSocketTimedOut;
        pollfd entry{handle, static_cast<short>(wants_write_ ? POLLOUT : POLLIN), 0};
        const int ready = PollRetrying(&entry, 1, static_cast<int>(left.count()));
        if (ready < 0) return SocketErrorFromErrno(errno);
        if (ready == 0) return kSocketTimedOut;
    }
}

int TlsSession::Read(void* into, std::size_t n)
{
    ERR_clear_error();
    errno = 0;
    std::size_t got = 0;
    const int result = SSL_read_ex(ssl_.get(), into, n, &got);
    if (result == 1) return static_cast<int>(got);
    return Outcome(result);
}

int TlsSession::PeekOne()
{
    ERR_clear_error();
    errno = 0;
    char probe;
    std::size_t got = 0;
    const int result = SSL_peek_ex(ssl_.get(), &probe, 1, &got);
    if (result == 1) return 1;
    return Outcome(result);
}

int TlsSession::Write(const void* bytes, std::size_t n)
{
    // With partial writes on, OpenSSL returns after each record it sends; going on until the
    // socket is full sends a large buffer in one call, so a file piece is read once, not once per
    // record. Bytes already sent are reported even when the socket then fills up: the record that
    // waits inside OpenSSL begins at the first byte not reported, where the caller retries.
    const auto* at = static_cast<const unsigned char*>(bytes);
    const std::size_t wanted = std::min<std::size_t>(n, INT_MAX);
    std::size_t total = 0;
    while (total < wanted) {
        ERR_clear_error();
        errno = 0;
        std::size_t sent = 0;
        const int result = SSL_write_ex(ssl_.get(), at + total, wanted - total, &sent);
        if (result != 1) {
            const int code = Outcome(result);
            return total > 0 && code == kSocketWouldBlock ? static_cast<int>(total) : code;
        }
        total += sent;
    }
    return static_cast<int>(total);
}

int TlsSession::WriteFile(int file, std::size_t count)
{
    const off_t at = ::lseek(file, 0, SEEK_CUR);
    if (at < 0) return SocketErrorFromErrno(errno);
    int sent;
    if (BIO_get_ktls_send(SSL_get_wbio(ssl_.get()))) {
        ERR_clear_error();
        errno = 0;
        const ossl_ssize_t result = SSL_sendfile(ssl_.get(), file, at, count, 0);
        if (result == 0) return -ENODATA;
        sent = result > 0 ? static_cast<int>(result) : Outcome(static_cast<int>(result));
    } else {
        // Each piece is read afresh from the same place until it is sent, so a write that must be
        // repeated is handed the same bytes, as OpenSSL asks.
        char buffer[kFileChunk];
        const ssize_t got = ::pread(file, buffer, std::min(count, kFileChunk), at);
        if (got < 0) return SocketErrorFromErrno(errno);
        if (got == 0) return -ENODATA;
        sent = Write(buffer, static_cast<std::size_t>(got));
    }
    if (sent > 0 && ::lseek(file, at + sent, SEEK_SET) < 0) return SocketErrorFromErrno(errno);
    return sent;
}

void TlsSession::ShutdownSend()
{
    if (sent_shutdown_) return;
    sent_shutdown_ = true;
    ERR_clear_error();
    SSL_shutdown(ssl_.get());
    ERR_clear_error();
}

bool TlsSession::HasPending() const
{
    return SSL_pending(ssl_.get()) > 0;
}

}  // namespace vireo
