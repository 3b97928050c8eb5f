#include "base/base64.h"

#include <algorithm>
#include <cstdint>

namespace vireo {
namespace {

// The value of one Base64 character, or nothing for a character outside the alphabet.
std::optional<std::uint8_t> Base64Value(char c)
{
    if (c >= 'A' && c <= 'Z') return static_cast<std::uint8_t>(c - 'A');
    if (c >= 'a' && c <= 'z') return static_cast<std::uint8_t>(c - 'a' + 26);
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0' + 52);
    if (c == '+') return 62;
    if (c == '/') return 63;
    return std::nullopt;
}

bool IsPadding(char c)
{
    return c == '=';
}

}  // namespace

std::optional<std::string> Base64Decode(std::string_view text)
{
    if (text.empty()) return std::nullopt;
    std::string decoded;
    decoded.reserve(text.size() / 4 * 3);
    for (std::size_t at = 0; at + 4 <= text.size(); at += 4) {
        const std::string_view group = text.substr(at, 4);
        if (std::ranges::any_of(group, [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
            return std::nullopt;
        }
        if (IsPadding(group[0])) continue;
        std::uint8_t values[4] = {};
        for (std::size_t i = 0; i < 4; ++i) {
            if (i > 0 && IsPadding(group[i])) continue;
            std::optional<std::uint8_t> value = Base64Value(group[i]);
            if (!value) return std::nullopt;
            values[i] = *value;
        }
        decoded += static_cast<char>((values[0] << 2) | (values[1] >> 4));
        if (!IsPadding(group[2])) decoded += static_cast<char>(((values[1] & 0x0F) << 4) | (values[2] >> 2));
        if (!IsPadding(group[2]) && !IsPadding(group[3])) {
            decoded += static_cast<char>(((values[2] & 0x03) << 6) | values[3]);
        }
    }
    // The decoded text is read as a zero-terminated string, so a zero byte ends it.
    decoded.resize(std::min(decoded.find('\0'), decoded.size()));
    return decoded;
}

}  // namespace vireo
