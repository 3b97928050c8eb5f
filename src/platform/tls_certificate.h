#pragma once

// The certificate Vireo makes for itself when the owner gives none: self-signed, for this
// computer's names and addresses, kept beside the settings store.

#include <expected>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "base/ipv4.h"

namespace vireo {

struct CertificatePaths {
    std::filesystem::path certificate;
    std::filesystem::path key;
};

// The files of the self-signed certificate in `folder` (which need not exist yet).
CertificatePaths SelfSignedPaths(const std::filesystem::path& folder);

// Makes an EC P-256 key and a self-signed certificate for `host_name`, "localhost" and the
// addresses, and writes both (the key readable by the owner only) under temporary names that are
// then renamed, so a reader never sees half a file. The error text says what failed.
std::expected<CertificatePaths, std::string> MakeSelfSignedCertificate(
    const std::filesystem::path& folder, const std::string& host_name,
    std::span<const Ipv4Address> addresses);

// The same when the two files are not both there yet, with this computer's host name and interface
// addresses; otherwise the files that are there. Callers on several threads of one program get one
// pair.
std::expected<CertificatePaths, std::string> EnsureSelfSignedCertificate(const std::filesystem::path& folder);

// Deletes the self-signed pair in `folder` and what guards its making: for the removal of the
// program, which leaves no private key behind.
void RemoveSelfSignedCertificate(const std::filesystem::path& folder);

// "SHA-256 AB:CD:..." of the first certificate in a PEM file, as browsers show it.
std::optional<std::string> CertificateFingerprint(const std::filesystem::path& certificate);

}  // namespace vireo
