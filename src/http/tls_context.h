#pragma once

#include <expected>
#include <filesystem>
#include <memory>
#include <string>

using SSL_CTX = struct ssl_ctx_st;

namespace vireo {

// A server's TLS configuration: one certificate chain and its key, TLS 1.2 and 1.3 with OpenSSL's
// default ciphers. Immutable once loaded, so connections share it freely.
class TlsContext {
public:
    // Reads a PEM certificate chain and its private key; the error text says what went wrong.
    static std::expected<std::shared_ptr<const TlsContext>, std::string> Load(
        const std::filesystem::path& certificate, const std::filesystem::path& key);
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    SSL_CTX* get() const { return context_; }

private:
    explicit TlsContext(SSL_CTX* context) : context_(context) {}
    SSL_CTX* context_;
};

}  // namespace vireo
