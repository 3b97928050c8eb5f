#pragma once

// The addresses this computer can be reached at, for the address the window shows. The host name
// is no guide: Debian resolves it to 127.0.1.1, which nobody else can open.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/ipv4.h"

namespace vireo {

struct InterfaceAddress {
    std::string adapter;
    Ipv4Address address;
};

// The IPv4 addresses of the adapters that are up, in the system's order.
std::vector<InterfaceAddress> InterfaceAddresses();

// What the address box offers: every address that is not a loopback one, in the adapters' order,
// then 127.0.0.1.
std::vector<Ipv4Address> OfferedAddresses(std::span<const InterfaceAddress> interfaces);

// The address shown unless the user picks another: that of the adapter holding the default route
// in `route_table` (as /proc/net/route writes it), else the first address offered.
Ipv4Address DefaultShownAddress(std::span<const InterfaceAddress> interfaces, std::string_view route_table);

// The same for this computer now.
Ipv4Address DefaultShownAddress();

}  // namespace vireo
