#include "site/site_tls.h"

#include <optional>

#include "http/tls_context.h"
#include "platform/registry.h"
#include "platform/tls_certificate.h"
#include "settings/settings.h"

namespace vireo {

std::expected<TlsFiles, std::string> SiteTlsFiles()
{
    const std::string certificate = Read(setting::kTlsCertificate).value_or("");
    const std::string key = Read(setting::kTlsKey).value_or("");
    if (!certificate.empty() && !key.empty()) return TlsFiles{certificate, key};
    // The owner meant a certificate of their own; serving the made one instead would hide that
    // half of it is missing.
    if (!certificate.empty())
        return std::unexpected(std::string("tls_certificate is set but tls_key is empty"));
    if (!key.empty()) return std::unexpected(std::string("tls_key is set but tls_certificate is empty"));
    const std::optional<std::filesystem::path> store = RegistryDatabasePath(RegistryRoot::CurrentUser);
    if (!store) return std::unexpected(std::string("no folder for the settings store"));
    auto made = EnsureSelfSignedCertificate(store->parent_path());
    if (!made) return std::unexpected(made.error());
    return TlsFiles{made->certificate, made->key};
}

std::expected<std::string, std::string> LoadSiteCertificate()
{
    const auto files = SiteTlsFiles();
    if (!files) return std::unexpected(files.error());
    // The server's own loader, so what it refuses is refused here with the same words.
    const auto loaded = TlsContext::Load(files->certificate, files->key);
    if (!loaded) return std::unexpected(loaded.error());
    std::optional<std::string> fingerprint = CertificateFingerprint(files->certificate);
    if (!fingerprint) return std::unexpected("cannot read the certificate " + files->certificate.string());
    return *std::move(fingerprint);
}

}  // namespace vireo
