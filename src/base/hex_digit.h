#pragma once

#include <optional>

namespace vireo {

// The value of a hexadecimal digit of either letter case; nothing for any other character.
constexpr std::optional<unsigned> HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    return std::nullopt;
}

}  // namespace vireo
