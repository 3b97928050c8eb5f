#pragma once

#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/client_socket.h"

using SSL = struct ssl_st;
using SSL_CTX = struct ssl_ctx_st;

namespace vireo {

// Why a TLS client could not begin: the cancel event or the time limit (`failure`), or a
// handshake that failed, with OpenSSL's reason (`text`), such as a certificate the system's
// store does not vouch for.
struct TlsClientFailure {
    std::optional<NetFailure> failure;
    std::string text;
};

// TLS over a connected, non-blocking TCP client's socket, verifying the server's certificate
// against the system's certificate store and the host name (or address) it was asked for.
class TlsClient {
public:
    static std::expected<std::unique_ptr<TlsClient>, TlsClientFailure> Start(int socket,
                                                                             const std::string& host,
                                                                             const WaitLimit& limit);
    ~TlsClient();
    TlsClient(const TlsClient&) = delete;
    TlsClient& operator=(const TlsClient&) = delete;

    std::optional<NetFailure> SendAll(std::string_view bytes, const WaitLimit& limit);
    // Appends at most `room` received bytes to `into`; the count, 0 when the peer has closed.
    std::expected<std::size_t, NetFailure> Receive(std::string& into, std::size_t room,
                                                   const WaitLimit& limit);

private:
    TlsClient(SSL_CTX* context, SSL* ssl) : context_(context), ssl_(ssl) {}
    // Waits for what the last call asked for; nothing when it may be tried again.
    std::optional<NetFailure> AwaitRetry(int result, const WaitLimit& limit);

    SSL_CTX* context_;
    SSL* ssl_;
};

}  // namespace vireo
