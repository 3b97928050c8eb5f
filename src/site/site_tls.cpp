#include "site/site_tls.h"

#include "platform/registry.h"
#include "platform/tls_certificate.h"
#include "settings/settings.h"

namespace vireo {

std::expected<TlsFiles, std::string> SiteTlsFiles()
{
    const std::string certificate = Read(setting::kTlsCertificate).value_or("");
    const std::string key = Read(setting::kTlsKey).value_or("");
    if (!certificate.empty() && !key.empty()) return TlsFiles{certificate, key};
    const std::optional<std::filesystem::path> store = RegistryDatabasePath(RegistryRoot::CurrentUser);
    if (!store) return std::unexpected(std::string("no folder for the settings store"));
    auto made = EnsureSelfSignedCertificate(store->parent_path());
    if (!made) return std::unexpected(made.error());
    return TlsFiles{made->certificate, made->key};
}

std::optional<std::string> SiteCertificateFingerprint()
{
    const auto files = SiteTlsFiles();
    if (!files) return std::nullopt;
    return CertificateFingerprint(files->certificate);
}

}  // namespace vireo
