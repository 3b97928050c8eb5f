#include "http/tls_context.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include "base/openssl_error.h"
#include "base/openssl_lifetime.h"

namespace vireo {
namespace {

// Before main, so before any thread of this program can be inside OpenSSL.
[[maybe_unused]] const bool kOpenSslKept = KeepOpenSslUntilExit();

struct ContextFree {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};

}  // namespace

std::expected<std::shared_ptr<const TlsContext>, std::string> TlsContext::Load(
    const std::filesystem::path& certificate, const std::filesystem::path& key)
{
    ERR_clear_error();
    std::unique_ptr<SSL_CTX, ContextFree> context(SSL_CTX_new(TLS_server_method()));
    if (!context) return std::unexpected(WithOpenSslReason("cannot make a TLS context"));
    SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION);
    // Clients that close without a close_notify are common and harmless for HTTP, whose messages
    // carry their own lengths; kernel TLS lets large files go out without a copy through here.
    SSL_CTX_set_options(context.get(),
                        SSL_OP_IGNORE_UNEXPECTED_EOF | SSL_OP_NO_RENEGOTIATION | SSL_OP_ENABLE_KTLS);
    // Returning visitors resume with the tickets the server hands out, which carry their session
    // themselves; a session cache inside the server would only add a lock and a sweep to every
    // handshake of every connection thread.
    SSL_CTX_set_session_cache_mode(context.get(), SSL_SESS_CACHE_OFF);
    // The send queue moves as it is consumed and is written a piece at a time, as with send().
    SSL_CTX_set_mode(context.get(), SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    if (SSL_CTX_use_certificate_chain_file(context.get(), certificate.c_str()) != 1) {
        return std::unexpected(WithOpenSslReason("cannot read the certificate " + certificate.string()));
    }
    if (SSL_CTX_use_PrivateKey_file(context.get(), key.c_str(), SSL_FILETYPE_PEM) != 1) {
        // OpenSSL matches the key with the certificate as it reads it; a key of another
        // certificate is readable, and saying so would send the owner looking at the wrong thing.
        if (ERR_GET_REASON(ERR_peek_last_error()) == X509_R_KEY_VALUES_MISMATCH) {
            ERR_clear_error();
            return std::unexpected("the key " + key.string() + " does not belong to the certificate");
        }
        return std::unexpected(WithOpenSslReason("cannot read the key " + key.string()));
    }
    if (SSL_CTX_check_private_key(context.get()) != 1) {
        return std::unexpected(WithOpenSslReason("the key does not belong to the certificate"));
    }
    std::shared_ptr<const TlsContext> loaded(new (std::nothrow) TlsContext(context.get()));
    if (!loaded) return std::unexpected(std::string("out of memory"));
    context.release();
    return loaded;
}

TlsContext::~TlsContext()
{
    SSL_CTX_free(context_);
}

}  // namespace vireo
