#include "community/web_community/login_query.h"

#include "base/hex_digit.h"
#include "base/text_helpers.h"

namespace vireo {
namespace {

// The byte that up to two characters after a "%" stand for.
char EscapedByte(std::string_view digits)
{
    unsigned value = 0;
    for (char c : digits) {
        std::optional<unsigned> digit = HexDigitValue(c);
        if (!digit) break;
        value = value * 16 + *digit;
    }
    return static_cast<char>(value);
}

}  // namespace

std::optional<std::string> DecodeLoginValue(std::string_view query, std::string_view key,
                                            std::size_t max_bytes)
{
    const std::size_t found = query.find(key);
    if (found == std::string_view::npos) return std::nullopt;
    std::string value;
    for (std::size_t at = found + key.size();
         at < query.size() && query[at] != '&' && value.size() < max_bytes;) {
        const char c = query[at];
        if (c == '%') {
            const std::string_view digits = query.substr(at + 1, 2);
            value += EscapedByte(digits);
            at += 1 + digits.size();
        } else {
            value += c == '+' ? ' ' : c;
            ++at;
        }
    }
    value.resize(std::min(value.find('\0'), value.size()));
    TrimText(value);
    return value;
}

}  // namespace vireo
