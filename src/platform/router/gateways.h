#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/ipv4.h"

namespace vireo {

// The gateway of each network adapter, adapters in the order of their interface numbers; nothing
// for an adapter without a default route through a gateway. Empty when the adapters cannot be
// listed.
std::vector<std::optional<Ipv4Address>> AdapterGateways();

// The same from given parts: the adapters' names in order and a routing table as
// /proc/net/route writes it. An adapter's gateway is that of its first default route (destination
// and mask 0) that is up and goes through a gateway.
std::vector<std::optional<Ipv4Address>> AdapterGateways(std::span<const std::string> adapters,
                                                        std::string_view route_table);

// The routing table as /proc/net/route writes it; empty when it cannot be read.
std::string ReadRouteTable();

// The adapter of the table's first default route that is up and goes through a gateway: the one
// visitors from outside reach this computer through.
std::optional<std::string> DefaultRouteAdapter(std::string_view route_table);

}  // namespace vireo
