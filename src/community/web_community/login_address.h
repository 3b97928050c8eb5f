#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vireo {

// Where a member sends its login: the host as written in the login address, its port and the path
// the request asks for.
struct LoginAddress {
    std::string host;
    std::uint16_t port = 80;
    std::string path;
    bool tls = false;  // an https:// address: TLS, port 443 unless one is given
};

// Reads a login address: everything up to the first ":" is skipped, then every "/", ":" and "\";
// the host runs to the next "/", ":", "\" or the end and must not be empty; a ":" after it brings
// the port (spaces before the number skipped; 80 without one, 443 when the address begins
// "https:", which also asks for TLS); the path is the rest from the next
// "/" ("/" when there is none). Nothing for an address without a ":", an empty host, or a port
// that is not a number from 1 to 65535.
std::optional<LoginAddress> ParseLoginAddress(std::string_view address);

}  // namespace vireo
