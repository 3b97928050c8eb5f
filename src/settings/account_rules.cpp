#include "settings/account_rules.h"

#include <algorithm>

#include "settings/settings_users.h"

namespace vireo {

namespace {

// Characters of UTF-8 text: every byte that does not continue a sequence starts one.
std::size_t CountCharacters(std::string_view text)
{
    return static_cast<std::size_t>(
        std::ranges::count_if(text, [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Why a text of the account is too short or too long, if it is.
std::optional<std::string> CheckLength(std::string_view what, std::string_view text, std::size_t min_chars,
                                       std::size_t max_chars, std::size_t max_bytes)
{
    const std::size_t chars = CountCharacters(text);
    const std::string subject = "the " + std::string(what) + " ";
    if (chars < min_chars) return subject + "has fewer than " + std::to_string(min_chars) + " characters";
    if (chars > max_chars) return subject + "is longer than " + std::to_string(max_chars) + " characters";
    if (text.size() > max_bytes) return subject + "is longer than " + std::to_string(max_bytes) + " bytes";
    return std::nullopt;
}

}  // namespace

std::optional<std::string> CheckAccount(std::string_view name, std::string_view password)
{
    if (auto problem =
            CheckLength("user name", name, kMinUserNameChars, kMaxUserNameChars, kMaxUserNameLength))
        return problem;
    // Basic authentication separates the name from the password at the first colon.
    if (name.find(':') != std::string_view::npos) return "the user name may not contain \":\"";
    return CheckLength("password", password, kMinPasswordChars, kMaxPasswordChars, kMaxPasswordLength);
}

}  // namespace vireo
