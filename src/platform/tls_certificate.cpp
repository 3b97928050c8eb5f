#include "platform/tls_certificate.h"

#include <fcntl.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "base/openssl_error.h"
#include "base/openssl_lifetime.h"
#include "base/unique_fd.h"
#include "platform/interface_addresses.h"

namespace vireo {
namespace {

// Before main, so before any thread of this program can be inside OpenSSL.
[[maybe_unused]] const bool kOpenSslKept = KeepOpenSslUntilExit();

// Held while the pair is made; see EnsureSelfSignedCertificate.
std::filesystem::path LockPath(const std::filesystem::path& folder)
{
    return folder / "self-signed.lock";
}

// Long enough not to be a chore, within what browsers accept for a server certificate.
constexpr long kValidDays = 825;

struct OpenSslFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
    void operator()(X509* certificate) const { X509_free(certificate); }
    void operator()(X509_EXTENSION* extension) const { X509_EXTENSION_free(extension); }
    void operator()(BIO* bio) const { BIO_free(bio); }
    void operator()(BIGNUM* number) const { BN_free(number); }
    void operator()(FILE* file) const { std::fclose(file); }
};
template <typename T>
using Owned = std::unique_ptr<T, OpenSslFree>;

bool AddExtension(X509* certificate, int nid, const std::string& value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    Owned<X509_EXTENSION> extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str()));
    return extension && X509_add_ext(certificate, extension.get(), -1) == 1;
}

// A host name fit for a DNS entry of the certificate; an odd one is left out rather than spoil it.
bool IsDnsName(const std::string& name)
{
    if (name.empty() || name.size() > 253) return false;
    for (const char c : name) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
              c == '.'))
            return false;
    }
    return true;
}

std::string AlternativeNames(const std::string& host_name, std::span<const Ipv4Address> addresses)
{
    std::string names = "DNS:localhost,IP:127.0.0.1";
    if (IsDnsName(host_name) && host_name != "localhost") names = "DNS:" + host_name + "," + names;
    for (const Ipv4Address& address : addresses) {
        const std::string text = FormatAddress(address);
        if (text != "127.0.0.1") names += ",IP:" + text;
    }
    return names;
}

std::expected<std::string, std::string> Pem(const std::function<int(BIO*)>& write)
{
    Owned<BIO> memory(BIO_new(BIO_s_mem()));
    if (!memory || write(memory.get()) != 1) return std::unexpected(WithOpenSslReason("cannot write PEM"));
    char* data = nullptr;
    const long length = BIO_get_mem_data(memory.get(), &data);
    return std::string(data, static_cast<std::size_t>(length));
}

// Writes the whole text under a temporary name with the mode, then renames it into place.
std::expected<void, std::string> WriteReplacing(const std::filesystem::path& path, const std::string& text,
                                                mode_t mode)
{
    const std::filesystem::path temporary = path.string() + ".new";
    ::unlink(temporary.c_str());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return std::unexpected("cannot create " + temporary.string());
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = ::write(fd, text.data() + written, text.size() - written);
        if (count <= 0) break;
        written += static_cast<std::size_t>(count);
    }
    const bool whole = written == text.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!whole || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return std::unexpected("cannot write " + path.string());
    }
    return {};
}

}  // namespace

CertificatePaths SelfSignedPaths(const std::filesystem::path& folder)
{
    return {folder / "self-signed-certificate.pem", folder / "self-signed-key.pem"};
}

void RemoveSelfSignedCertificate(const std::filesystem::path& folder)
{
    const CertificatePaths paths = SelfSignedPaths(folder);
    std::error_code ignored;
    std::filesystem::remove(paths.key, ignored);
    std::filesystem::remove(paths.certificate, ignored);
    std::filesystem::remove(LockPath(folder), ignored);
}

std::expected<CertificatePaths, std::string> MakeSelfSignedCertificate(const std::filesystem::path& folder,
                                                                       const std::string& host_name,
                                                                       std::span<const Ipv4Address> addresses)
{
    ERR_clear_error();
    Owned<EVP_PKEY> key(EVP_EC_gen("P-256"));
    Owned<X509> certificate(X509_new());
    Owned<BIGNUM> serial(BN_new());
    if (!key || !certificate || !serial) return std::unexpected(WithOpenSslReason("cannot make a key"));
    X509_set_version(certificate.get(), 2);
    if (BN_rand(serial.get(), 63, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) != 1 ||
        !BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(certificate.get()))) {
        return std::unexpected(WithOpenSslReason("cannot make a serial number"));
    }
    // An hour back, so a client whose clock is a little behind accepts it at once.
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), kValidDays * 24 * 3600);
    X509_set_pubkey(certificate.get(), key.get());
    X509_NAME* name = X509_get_subject_name(certificate.get());
    const std::string common = IsDnsName(host_name) ? host_name : "localhost";
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(common.c_str()), -1, -1, 0);
    X509_set_issuer_name(certificate.get(), name);
    if (!AddExtension(certificate.get(), NID_subject_alt_name, AlternativeNames(host_name, addresses)) ||
        !AddExtension(certificate.get(), NID_basic_constraints, "critical,CA:FALSE") ||
        !AddExtension(certificate.get(), NID_key_usage, "critical,digitalSignature") ||
        !AddExtension(certificate.get(), NID_ext_key_usage, "serverAuth") ||
        !AddExtension(certificate.get(), NID_subject_key_identifier, "hash")) {
        return std::unexpected(WithOpenSslReason("cannot describe the certificate"));
    }
    if (X509_sign(certificate.get(), key.get(), EVP_sha256()) <= 0) {
        return std::unexpected(WithOpenSslReason("cannot sign the certificate"));
    }
    auto key_text = Pem([&](BIO* bio) {
        return PEM_write_bio_PrivateKey(bio, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
    });
    auto certificate_text = Pem([&](BIO* bio) { return PEM_write_bio_X509(bio, certificate.get()); });
    if (!key_text) return std::unexpected(key_text.error());
    if (!certificate_text) return std::unexpected(certificate_text.error());

    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const CertificatePaths paths = SelfSignedPaths(folder);
    // The key first: a certificate on its own is never taken for a pair.
    if (auto written = WriteReplacing(paths.key, *key_text, 0600); !written) {
        return std::unexpected(written.error());
    }
    if (auto written = WriteReplacing(paths.certificate, *certificate_text, 0644); !written) {
        return std::unexpected(written.error());
    }
    return paths;
}

std::expected<CertificatePaths, std::string> EnsureSelfSignedCertificate(const std::filesystem::path& folder)
{
    // The window (or the console) asks for the fingerprint as the first visitor's handshake asks
    // for the files, and a second `vireo serve` may share the store: two makers at once could
    // leave one's key beside the other's certificate. A lock on a file beside them lets one make
    // the pair while the others wait, among threads and programs alike.
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const UniqueFd lock(::open(LockPath(folder).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock) return std::unexpected("cannot open " + LockPath(folder).string());
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR) return std::unexpected("cannot lock " + LockPath(folder).string());
    }
    const CertificatePaths paths = SelfSignedPaths(folder);
    if (std::filesystem::exists(paths.certificate, error) && std::filesystem::exists(paths.key, error)) {
        return paths;
    }
    char host[256] = "";
    if (::gethostname(host, sizeof host - 1) != 0) host[0] = '\0';
    std::vector<Ipv4Address> addresses;
    for (const InterfaceAddress& entry : InterfaceAddresses()) addresses.push_back(entry.address);
    return MakeSelfSignedCertificate(folder, host, addresses);
}

std::optional<std::string> CertificateFingerprint(const std::filesystem::path& certificate)
{
    Owned<FILE> file(std::fopen(certificate.c_str(), "re"));
    if (!file) return std::nullopt;
    Owned<X509> parsed(PEM_read_X509(file.get(), nullptr, nullptr, nullptr));
    ERR_clear_error();
    if (!parsed) return std::nullopt;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (X509_digest(parsed.get(), EVP_sha256(), digest, &length) != 1) return std::nullopt;
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text = "SHA-256 ";
    for (unsigned int i = 0; i < length; ++i) {
        if (i > 0) text += ':';
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 15];
    }
    return text;
}

}  // namespace vireo
