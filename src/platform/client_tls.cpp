#include "platform/client_tls.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>

#include <cerrno>

#include "base/ipv4.h"
#include "base/openssl_error.h"
#include "base/openssl_lifetime.h"

namespace vireo {
namespace {

// Before main, so before any thread of this program can be inside OpenSSL.
[[maybe_unused]] const bool kOpenSslKept = KeepOpenSslUntilExit();

struct ContextFree {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};
struct SslFree {
    void operator()(SSL* ssl) const { SSL_free(ssl); }
};

std::string Reason(SSL* ssl)
{
    const long verified = SSL_get_verify_result(ssl);
    if (verified != X509_V_OK) {
        ERR_clear_error();
        return X509_verify_cert_error_string(verified);
    }
    const std::string reason = TakeOpenSslReason();
    return reason.empty() ? "the connection ended during the handshake" : reason;
}

}  // namespace

std::expected<std::unique_ptr<TlsClient>, TlsClientFailure> TlsClient::Start(int socket,
                                                                             const std::string& host,
                                                                             const WaitLimit& limit)
{
    ERR_clear_error();
    std::unique_ptr<SSL_CTX, ContextFree> context(SSL_CTX_new(TLS_client_method()));
    if (!context) return std::unexpected(TlsClientFailure{std::nullopt, "no TLS context"});
    SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION);
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, nullptr);
    if (SSL_CTX_set_default_verify_paths(context.get()) != 1) {
        return std::unexpected(TlsClientFailure{std::nullopt, "no system certificate store"});
    }
    std::unique_ptr<SSL, SslFree> ssl(SSL_new(context.get()));
    if (!ssl || SSL_set_fd(ssl.get(), socket) != 1) {
        return std::unexpected(TlsClientFailure{std::nullopt, "no TLS session"});
    }
    // An address is checked against the certificate's addresses, a name against its names (and
    // sent as the server name, so a host with many sites picks the right certificate).
    Ipv4Address address;
    if (ParseAddress(host, address)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl.get()), host.c_str());
    } else {
        SSL_set_tlsext_host_name(ssl.get(), host.c_str());
        SSL_set1_host(ssl.get(), host.c_str());
    }
    std::unique_ptr<TlsClient> client(new TlsClient(context.release(), ssl.release()));
    for (;;) {
        ERR_clear_error();
        const int result = SSL_connect(client->ssl_);
        if (result == 1) return client;
        const int error = SSL_get_error(client->ssl_, result);
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
            return std::unexpected(TlsClientFailure{std::nullopt, Reason(client->ssl_)});
        }
        if (std::optional<NetFailure> failure = client->AwaitRetry(result, limit)) {
            return std::unexpected(TlsClientFailure{failure, "the handshake took too long"});
        }
    }
}

TlsClient::~TlsClient()
{
    SSL_free(ssl_);
    SSL_CTX_free(context_);
}

std::optional<NetFailure> TlsClient::AwaitRetry(int result, const WaitLimit& limit)
{
    const int error = SSL_get_error(ssl_, result);
    ERR_clear_error();
    if (error == SSL_ERROR_WANT_READ) return WaitReady(SSL_get_fd(ssl_), POLLIN, limit);
    if (error == SSL_ERROR_WANT_WRITE) return WaitReady(SSL_get_fd(ssl_), POLLOUT, limit);
    if (error == SSL_ERROR_ZERO_RETURN) return NetFailure::PeerClosed;
    if (error == SSL_ERROR_SYSCALL && (errno == ECONNRESET || errno == EPIPE || errno == 0))
        return NetFailure::PeerClosed;
    return NetFailure::Broken;
}

std::optional<NetFailure> TlsClient::SendAll(std::string_view bytes, const WaitLimit& limit)
{
    while (!bytes.empty()) {
        std::size_t sent = 0;
        const int result = SSL_write_ex(ssl_, bytes.data(), bytes.size(), &sent);
        if (result == 1) {
            bytes.remove_prefix(sent);
            continue;
        }
        if (std::optional<NetFailure> failure = AwaitRetry(result, limit)) return failure;
    }
    return std::nullopt;
}

std::expected<std::size_t, NetFailure> TlsClient::Receive(std::string& into, std::size_t room,
                                                          const WaitLimit& limit)
{
    if (room == 0) return std::unexpected(NetFailure::TooLarge);
    for (;;) {
        const std::size_t before = into.size();
        into.resize(before + room);
        std::size_t got = 0;
        const int result = SSL_read_ex(ssl_, into.data() + before, room, &got);
        into.resize(before + (result == 1 ? got : 0));
        if (result == 1) return got;
        std::optional<NetFailure> failure = AwaitRetry(result, limit);
        if (failure == NetFailure::PeerClosed) return 0;
        if (failure) return std::unexpected(*failure);
    }
}

}  // namespace vireo
