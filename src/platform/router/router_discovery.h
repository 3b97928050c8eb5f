#pragma once

// Asks the home router for the address under which this computer is reached from the Internet,
// through the plain subset of UPnP every Internet gateway device speaks: a search sent straight to
// each adapter's gateway, its device description, and one SOAP call. Each step has 3 seconds, so a
// gateway costs at most about 9; callers with a window run it on a worker thread.

#include <optional>
#include <span>

#include "base/ipv4.h"

namespace vireo {

enum class GatewayAnswer {
    NoDevice,   // no search answer, no description, or no WANIPConnection service in it
    NoAddress,  // the device was found, but its answer held no valid IPv4 address
    Address,
};

struct GatewayResult {
    GatewayAnswer answer = GatewayAnswer::NoDevice;
    Ipv4Address address{};
};

// The external address as one gateway gives it.
GatewayResult AskGateway(const Ipv4Address& gateway);

// Asks the gateways in order, passing over adapters without one and gateways without the
// service, and stops at the first that has it, whether its answer holds an address or not.
std::optional<Ipv4Address> DiscoverExternalAddress(std::span<const std::optional<Ipv4Address>> gateways);
// The same over the gateways of this computer's adapters.
std::optional<Ipv4Address> DiscoverExternalAddress();

}  // namespace vireo
