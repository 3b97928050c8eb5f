#pragma once

// The three requests router discovery sends, byte for byte: the search datagram, the GET of the
// device description and the SOAP call that asks for the external address.

#include <cstdint>
#include <string>
#include <string_view>

namespace vireo {

// The service whose control URL answers GetExternalIPAddress.
inline constexpr std::string_view kWanIpConnection = "urn:schemas-upnp-org:service:WANIPConnection:1";
// The port gateways answer searches on.
inline constexpr std::uint16_t kSsdpPort = 1900;

// The search, sent to one gateway by unicast although its Host line names the multicast group.
std::string SearchMessage(std::string_view search_target);

// Where a request goes and what it sends.
struct HttpRequest {
    std::string host;
    std::uint16_t port = 80;
    std::string bytes;  // head and body
};

// The GET of a description at `url`: a leading "http" (any case) and every ":" and "/" after it
// are skipped; the host runs to the next ":" or "/"; a ":" brings the port (80 without one); the
// path is the rest from its "/" ("/" when nothing is left). The Host line names the port only
// when it is not 80.
HttpRequest DescriptionRequest(std::string_view url);

// The SOAP call GetExternalIPAddress at `control_url`: everything up to the first ":" and then
// every ":" and "/" are skipped; host and port as for the description; the path is the rest as it
// is. The Host line always names the port.
HttpRequest ExternalAddressRequest(std::string_view control_url);

}  // namespace vireo
