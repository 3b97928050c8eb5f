#include "community/guestbook/message_text.h"

#include <optional>

#include "base/hex_digit.h"

namespace vireo {
namespace {

// The byte of a "%" escape's two characters: their leading hexadecimal digits, 0 when there are none.
char EscapedByte(char first, char second)
{
    const std::optional<unsigned> high = HexDigitValue(first);
    if (!high) return 0;
    const std::optional<unsigned> low = HexDigitValue(second);
    return static_cast<char>(low ? *high * 16 + *low : *high);
}

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

}  // namespace

std::string GuestbookMessageText(std::string_view body)
{
    const std::size_t equals = body.find('=');
    if (equals == std::string_view::npos) return {};
    std::string text = DecodeFormValue(body.substr(equals + 1));
    std::size_t lead = 0;
    while (lead < text.size()) {
        const auto byte = static_cast<unsigned char>(text[lead]);
        if (byte < 1 || byte > 32) break;
        ++lead;
    }
    text.erase(0, lead);
    return text;
}

}  // namespace vireo
