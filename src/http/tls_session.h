#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <memory>

#include "http/tls_context.h"

using SSL = struct ssl_st;

namespace vireo {

// One connection's TLS state, server side. Every call is non-blocking: the socket is, and the
// caller waits on it for the direction the last call asked for.
class TlsSession {
public:
    // A session on the connected socket `handle` with the server's current context; nullptr when
    // OpenSSL cannot make one.
    static std::unique_ptr<TlsSession> Start(const std::shared_ptr<const TlsContext>& context, int handle);
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    // Runs the handshake until it completes (0), the peer fails it (kSocketHandshakeFailed), the
    // connection fails (its code) or the deadline passes (kSocketTimedOut).
    int Handshake(std::chrono::steady_clock::time_point deadline);

    // A count of bytes moved, or kSocketWouldBlock (see wants_write), kSocketPeerClosed, or
    // another negative code.
    int Read(void* into, std::size_t n);
    int Write(const void* bytes, std::size_t n);
    // Peeks at most one byte, for a liveness probe: 1, kSocketWouldBlock, or a failure.
    int PeekOne();
    // Sends file bytes from the file's current position, advancing it: through kernel TLS where the
    // kernel encrypts, else read into a buffer and written.
    int WriteFile(int file, std::size_t count);
    // Tells the peer nothing more comes (close_notify), without waiting for its answer.
    void ShutdownSend();

    // Decrypted bytes that wait inside the session, which a poll on the socket does not see.
    bool HasPending() const;
    // After kSocketWouldBlock: whether the session waits to write rather than to read.
    bool wants_write() const { return wants_write_; }

private:
    TlsSession(SSL* ssl, std::shared_ptr<const TlsContext> context);
    int Outcome(int result);

    struct SslFree {
        void operator()(SSL* ssl) const;
    };
    std::unique_ptr<SSL, SslFree> ssl_;
    std::shared_ptr<const TlsContext> context_;  // kept alive while the session uses it
    bool wants_write_ = false;
    bool sent_shutdown_ = false;
};

}  // namespace vireo
