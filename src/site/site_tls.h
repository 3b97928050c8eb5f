#pragma once

#include <expected>
#include <optional>
#include <string>

#include "http/tls_context_watch.h"

namespace vireo {

// The certificate and key the site serves over HTTPS: the owner's when "tls_certificate" and
// "tls_key" name them, else the self-signed pair beside the settings store, made on first use.
std::expected<TlsFiles, std::string> SiteTlsFiles();

// The SHA-256 fingerprint of the certificate the site serves, for visitors to compare.
std::optional<std::string> SiteCertificateFingerprint();

}  // namespace vireo
