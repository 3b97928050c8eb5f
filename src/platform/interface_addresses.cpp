#include "platform/interface_addresses.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstring>

#include "platform/router/gateways.h"

namespace vireo {
namespace {

constexpr Ipv4Address kLoopback{127, 0, 0, 1};

bool IsLoopback(const Ipv4Address& address)
{
    return address[0] == 127;
}

}  // namespace

std::vector<InterfaceAddress> InterfaceAddresses()
{
    std::vector<InterfaceAddress> found;
    ifaddrs* interfaces = nullptr;
    if (::getifaddrs(&interfaces) != 0) return found;
    for (const ifaddrs* entry = interfaces; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET || (entry->ifa_flags & IFF_UP) == 0)
            continue;
        InterfaceAddress address{entry->ifa_name ? entry->ifa_name : "", {}};
        std::memcpy(address.address.data(), &reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr,
                    4);
        found.push_back(std::move(address));
    }
    ::freeifaddrs(interfaces);
    return found;
}

std::vector<Ipv4Address> OfferedAddresses(std::span<const InterfaceAddress> interfaces)
{
    std::vector<Ipv4Address> offered;
    for (const InterfaceAddress& entry : interfaces) {
        if (!IsLoopback(entry.address) && std::ranges::find(offered, entry.address) == offered.end())
            offered.push_back(entry.address);
    }
    offered.push_back(kLoopback);
    return offered;
}

Ipv4Address DefaultShownAddress(std::span<const InterfaceAddress> interfaces, std::string_view route_table)
{
    if (const std::optional<std::string> adapter = DefaultRouteAdapter(route_table)) {
        for (const InterfaceAddress& entry : interfaces) {
            if (entry.adapter == *adapter && !IsLoopback(entry.address)) return entry.address;
        }
    }
    return OfferedAddresses(interfaces).front();
}

Ipv4Address DefaultShownAddress()
{
    return DefaultShownAddress(InterfaceAddresses(), ReadRouteTable());
}

}  // namespace vireo
