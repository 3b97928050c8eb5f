// Basic credentials: Base64Decode over any text, and ParseBasicCredentials and HasValidCredentials
// over any "Authorization" value, against a private store holding the account alice / secret.
// The input is the header value ("Basic YWxpY2U6c2VjcmV0"); it is sent as one header line of a
// request, so line ends in it start lines of their own.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/ascii_case.h"
#include "base/base64.h"
#include "fuzz_support.h"
#include "http/request.h"
#include "settings/settings_users.h"
#include "site/access_control.h"

namespace vireo::fuzz {
namespace {

constexpr std::string_view kUser = "alice";
constexpr std::string_view kPassword = "secret";

// Base64 with padding, as a browser writes it.
std::string Encode(std::string_view bytes)
{
    constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - at);
        std::uint32_t group = 0;
        for (std::size_t i = 0; i < 3; ++i) {
            group = (group << 8) | (i < n ? static_cast<std::uint8_t>(bytes[at + i]) : 0u);
        }
        for (std::size_t i = 0; i < 4; ++i) {
            text += i <= n ? kAlphabet[(group >> (18 - 6 * i)) & 0x3F] : '=';
        }
    }
    return text;
}

}  // namespace
}  // namespace vireo::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vireo::fuzz::PrivateHome();
    if (!vireo::SetUserPassword(vireo::fuzz::kUser, vireo::fuzz::kPassword)) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo;
    using namespace vireo::fuzz;
    const std::string_view input = AsText(data, size);

    // Decoding gives at most three bytes for every four characters and stops at a zero byte; text
    // a browser encodes (up to its first zero byte) decodes back to itself.
    if (const std::optional<std::string> decoded = Base64Decode(input)) {
        Require(decoded->size() <= input.size() / 4 * 3 && decoded->find('\0') == std::string::npos);
    }
    const std::string_view plain = input.substr(0, input.find('\0'));
    if (!plain.empty()) Require(Base64Decode(Encode(plain)) == std::string(plain));

    Request request;
    request.Parse("GET / HTTP/1.1\r\nAuthorization: " + std::string(input) + "\r\n\r\n");
    const std::optional<BasicCredentials> credentials = ParseBasicCredentials(request);
    if (credentials) {
        Require(credentials->user.size() <= kMaxCredentialLength &&
                credentials->password.size() <= kMaxCredentialLength);
        Require(credentials->user.find_first_of(std::string_view(":\0", 2)) == std::string::npos);
        Require(credentials->password.find('\0') == std::string::npos);
        Require(StartsWithIgnoreCase(request.Header("Authorization"), "Basic"));
    }
    // Only the stored account's name (in any letter case) with its exact password gets in.
    const bool valid =
        credentials && EqualsIgnoreCase(credentials->user, kUser) && credentials->password == kPassword;
    Require(HasValidCredentials(request) == valid);
    return 0;
}
