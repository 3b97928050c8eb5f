#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace vireo::testing {

// Bytes as a quoted, readable text for test names and messages: control bytes and bytes above
// 0x7E appear as \r, \n, \t or \xNN.
inline std::string Printable(std::string_view bytes)
{
    std::string out = "\"";
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (b < 0x20 || b > 0x7E) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace vireo::testing
