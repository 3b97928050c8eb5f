#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vireo {

// An IPv4 address as four octets in address order (the first octet first), the way the
// address lists store it and a socket address holds it.
using Ipv4Address = std::array<std::uint8_t, 4>;

// An address with a port in host byte order.
struct Ipv4Endpoint {
    Ipv4Address address{};
    std::uint16_t port = 0;
    bool operator==(const Ipv4Endpoint&) const = default;
};

// "a.b.c.d"
std::string FormatAddress(const Ipv4Address& address);
// Parses exactly four decimal octets separated by dots; false on anything else.
bool ParseAddress(const std::string& text, Ipv4Address& out);

}  // namespace vireo
