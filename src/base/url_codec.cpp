#include "base/url_codec.h"

#include <optional>

#include "base/hex_digit.h"

namespace vireo {
namespace {

// Copies text, writing the replacement that `replace` gives for a character (or the character
// itself when it gives none).
template <typename Replace>
std::string ReplaceEach(std::string_view text, Replace replace)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        std::string_view with = replace(c);
        if (with.empty()) {
            out.push_back(c);
        } else {
            out.append(with);
        }
    }
    return out;
}

// The byte of a "%" escape's two characters: their leading hexadecimal digits, 0 when there are none.
char EscapedByte(char first, char second)
{
    const std::optional<unsigned> high = HexDigitValue(first);
    if (!high) return 0;
    const std::optional<unsigned> low = HexDigitValue(second);
    return static_cast<char>(low ? *high * 16 + *low : *high);
}

}  // namespace

std::string DecodeFormValue(std::string_view value)
{
    std::string decoded;
    decoded.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '+') {
            decoded += ' ';
        } else if (c != '%') {
            decoded += c;
        } else if (value.size() - i > 2) {
            decoded += EscapedByte(value[i + 1], value[i + 2]);
            i += 2;
        }  // a "%" too near the end to be an escape is left out; a byte after it is copied
    }
    return decoded;
}

std::string UrlUnescape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool has_two_after = i + 2 < text.size();
        std::optional<unsigned> high =
            text[i] == '%' && has_two_after ? HexDigitValue(text[i + 1]) : std::nullopt;
        std::optional<unsigned> low = high ? HexDigitValue(text[i + 2]) : std::nullopt;
        if (low) {
            out.push_back(static_cast<char>(*high * 16 + *low));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string UrlEscape(std::string_view text)
{
    return ReplaceEach(text, [](char c) -> std::string_view {
        switch (c) {
            case ' ':
                return "%20";
            case '"':
                return "%22";
            case '#':
                return "%23";
            case '%':
                return "%25";
            default:
                return {};
        }
    });
}

std::string_view MarkupEntity(char c)
{
    switch (c) {
        case '&':
            return "&amp;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        default:
            return {};
    }
}

std::string HtmlEscape(std::string_view text)
{
    return ReplaceEach(text,
                       [](char c) -> std::string_view { return c == '"' ? "&quot;" : MarkupEntity(c); });
}

std::string FormEncode(std::string_view text)
{
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                          c == '-' || c == '.' || c == '_';
        if (kept) {
            out += c;
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kDigits[byte >> 4];
            out += kDigits[byte & 0xF];
        }
    }
    return out;
}

}  // namespace vireo
