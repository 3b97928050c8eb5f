#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace vireo {

// Formats a time in the RFC 1123 form HTTP uses, in UTC: "Sun, 06 Nov 1994 08:49:37 GMT"
// (29 characters). nullopt for a time whose year has no four-digit form.
std::optional<std::string> FormatHttpDate(std::time_t time);

// Reads the three date forms HTTP clients send: RFC 1123 ("Sun, 06 Nov 1994 08:49:37 GMT"),
// RFC 850 ("Sunday, 06-Nov-94 08:49:37 GMT") and asctime ("Sun Nov  6 08:49:37 1994"). Text
// after a ";" behind the date (old browsers add "; length=...") is ignored. nullopt otherwise.
std::optional<std::time_t> ParseHttpDate(std::string_view text);

}  // namespace vireo
