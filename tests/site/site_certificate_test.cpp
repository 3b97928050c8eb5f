// What the owner is told of the site's certificate, against what real TLS clients get on its port.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/tls_certificate.h"
#include "settings/settings.h"
#include "site/site_tls.h"
#include "support/child_process.h"
#include "support/files.h"
#include "support/loopback.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

const std::string kClientScript = std::string(VIREO_TESTS_SOURCE) + "/site/tls_client.py";

// The fingerprint a TLS client is shown on the port; the client's error text when the handshake fails.
ProgramResult ServedFingerprint(std::uint16_t port)
{
    ProgramResult result =
        RunProgram({"/usr/bin/python3", kClientScript, std::to_string(port), "--fingerprint"});
    result.output = result.output.substr(0, result.output.find('\n'));
    return result;
}

TEST(SiteCertificateTest, TheFingerprintIsTheOneClientsAreShown)
{
    TestServer server;
    ASSERT_TRUE(server.listening());
    // The first handshake and several askers at once, before the self-signed pair exists: one pair
    // is made, and every answer is its fingerprint.
    std::vector<std::expected<std::string, std::string>> answers(4);
    std::vector<std::jthread> askers;
    for (auto& answer : answers) askers.emplace_back([&answer] { answer = LoadSiteCertificate(); });
    const ProgramResult served = ServedFingerprint(server.port());
    askers.clear();
    ASSERT_EQ(served.exit_code, 0) << served.output;
    ASSERT_TRUE(served.output.starts_with("SHA-256 ")) << served.output;
    for (const auto& answer : answers) EXPECT_EQ(answer, served.output);

    // As openssl prints it for the file, too.
    const ProgramResult printed = RunProgram({"/usr/bin/openssl", "x509", "-noout", "-fingerprint", "-sha256",
                                              "-in", SiteTlsFiles()->certificate.string()});
    ASSERT_EQ(printed.exit_code, 0);
    EXPECT_EQ(printed.output, "sha256 Fingerprint=" + served.output.substr(8) + "\n");
}

TEST(SiteCertificateTest, AnOwnersCertificateThatDoesNotLoadSaysWhy)
{
    TestServer server;
    ASSERT_TRUE(server.listening());
    const fs::path folder = server.home().path() / "owner";
    const auto first = MakeSelfSignedCertificate(folder / "a", "first.test", {});
    const auto second = MakeSelfSignedCertificate(folder / "b", "second.test", {});
    ASSERT_TRUE(first && second);
    const fs::path garbage = folder / "garbage.pem";
    WriteFile(garbage, "-----BEGIN CERTIFICATE-----\nnot base64 at all\n-----END CERTIFICATE-----\n");
    const fs::path missing = folder / "missing.pem";
    struct Case {
        fs::path certificate;
        fs::path key;
        std::string reason;  // how the answer begins
    };
    const Case cases[] = {
        {missing, first->key, "cannot read the certificate " + missing.string() + ": error:"},
        {garbage, first->key, "cannot read the certificate " + garbage.string() + ": error:"},
        {first->certificate, garbage, "cannot read the key " + garbage.string() + ": error:"},
        {first->certificate, second->key,
         "the key " + second->key.string() + " does not belong to the certificate"},
        {first->certificate, "", "tls_certificate is set but tls_key is empty"},
        {"", first->key, "tls_key is set but tls_certificate is empty"},
    };
    for (const Case& broken : cases) {
        SCOPED_TRACE(broken.reason);
        ASSERT_TRUE(Write(setting::kTlsCertificate, broken.certificate.string()));
        ASSERT_TRUE(Write(setting::kTlsKey, broken.key.string()));
        const auto answer = LoadSiteCertificate();
        ASSERT_FALSE(answer);
        EXPECT_TRUE(answer.error().starts_with(broken.reason)) << answer.error();
        // What the owner is told is what visitors meet: no handshake, while plain HTTP goes on.
        EXPECT_NE(ServedFingerprint(server.port()).exit_code, 0);
        EXPECT_TRUE(Exchange(server.port(), "GET / HTTP/1.1\r\n\r\n").starts_with("HTTP/1.1 200 OK\r\n"));
    }

    ASSERT_TRUE(Write(setting::kTlsKey, first->key.string()));
    ASSERT_TRUE(Write(setting::kTlsCertificate, first->certificate.string()));
    EXPECT_EQ(LoadSiteCertificate().value_or("none"), CertificateFingerprint(first->certificate));
}

}  // namespace
}  // namespace vireo::testing
