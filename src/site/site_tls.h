#pragma once

#include <expected>
#include <string>

#include "http/tls_context_watch.h"

namespace vireo {

// The certificate and key the site serves over HTTPS: the owner's when "tls_certificate" and
// "tls_key" name them, else the self-signed pair beside the settings store, made on first use; an
// error when only one of the two is set.
std::expected<TlsFiles, std::string> SiteTlsFiles();

// Loads the site's certificate and key as the server does and answers the certificate's SHA-256
// fingerprint, for visitors to compare, or why HTTPS cannot be served with them (plain HTTP is
// served all the same). Reads the files each time: for the moments the owner looks, not for requests.
std::expected<std::string, std::string> LoadSiteCertificate();

}  // namespace vireo
