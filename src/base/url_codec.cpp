#include "base/url_codec.h"

#include <optional>

namespace vireo {
namespace {

std::optional<unsigned> HexValue(char c)
{
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    return std::nullopt;
}

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

}  // namespace

std::string UrlUnescape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool has_two_after = i + 2 < text.size();
        std::optional<unsigned> high = text[i] == '%' && has_two_after ? HexValue(text[i + 1]) : std::nullopt;
        std::optional<unsigned> low = high ? HexValue(text[i + 2]) : std::nullopt;
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

std::string HtmlEscape(std::string_view text)
{
    return ReplaceEach(text, [](char c) -> std::string_view {
        switch (c) {
            case '&':
                return "&amp;";
            case '<':
                return "&lt;";
            case '>':
                return "&gt;";
            case '"':
                return "&quot;";
            default:
                return {};
        }
    });
}

}  // namespace vireo
