#include "base/ipv4.h"

#include <charconv>
#include <cstdio>

namespace vireo {

std::string FormatAddress(const Ipv4Address& address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
    return text;
}

bool ParseAddress(const std::string& text, Ipv4Address& out)
{
    Ipv4Address parsed{};
    const char* at = text.data();
    const char* end = text.data() + text.size();
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (at == end || *at != '.') return false;
            ++at;
        }
        if (at == end || *at < '0' || *at > '9') return false;
        unsigned value = 0;
        auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc() || value > 255 || next - at > 3) return false;
        parsed[i] = static_cast<std::uint8_t>(value);
        at = next;
    }
    if (at != end) return false;
    out = parsed;
    return true;
}

}  // namespace vireo
