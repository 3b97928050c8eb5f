#include "base/text_helpers.h"

#include <algorithm>
#include <cstdio>

namespace vireo {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::string Trimmed(std::string_view text)
{
    std::string copy(text);
    TrimText(copy);
    return copy;
}

std::size_t TrimText(std::string& text)
{
    std::size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1])) --end;
    std::size_t start = 0;
    while (start < end && IsBlank(text[start])) ++start;
    text.erase(end);
    text.erase(0, start);
    return text.size();
}

void NormalizePath(std::string& path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    auto repeated = [](char a, char b) { return a == '/' && b == '/'; };
    path.erase(std::unique(path.begin(), path.end(), repeated), path.end());
    if (path.size() > 1 && path.back() == '/') path.pop_back();
}

std::size_t FindExtension(std::string_view name, bool with_dot)
{
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return name.size();
    return with_dot ? dot : dot + 1;
}

std::string EscapeControlBytes(std::string_view text, KeptControls kept)
{
    constexpr std::string_view kHex = "0123456789ABCDEF";
    const bool keep_lines = kept == KeptControls::TabAndLineEnds;
    std::string escaped;
    escaped.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte != 0x7F) {
            escaped += text[i];
        } else if (keep_lines && byte == '\t') {
            escaped += '\t';
        } else if (keep_lines && byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            escaped += "\r\n";
            ++i;
        } else {
            escaped += "\\x";
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0xF];
        }
    }
    return escaped;
}

std::string FormatSiteUrl(const Ipv4Endpoint& endpoint)
{
    const Ipv4Address& a = endpoint.address;
    char url[32];
    if (endpoint.port == 80) {
        std::snprintf(url, sizeof url, "http://%u.%u.%u.%u/", a[0], a[1], a[2], a[3]);
    } else {
        std::snprintf(url, sizeof url, "http://%u.%u.%u.%u:%u/", a[0], a[1], a[2], a[3], endpoint.port);
    }
    return url;
}

bool ConstantTimeEquals(std::string_view a, std::string_view b)
{
    // Every byte of the longer text is visited, whatever the contents.
    const std::size_t length = std::max(a.size(), b.size());
    unsigned difference = a.size() != b.size() ? 1 : 0;
    for (std::size_t i = 0; i < length; ++i) {
        const auto x = static_cast<unsigned char>(i < a.size() ? a[i] : 0);
        const auto y = static_cast<unsigned char>(i < b.size() ? b[i] : 0);
        difference |= x ^ y;
    }
    return difference == 0;
}

}  // namespace vireo
