#include "platform/router/router_discovery.h"

#include "base/text_helpers.h"
#include "platform/router/gateways.h"
#include "platform/router/router_exchange.h"
#include "platform/router/upnp_text.h"

namespace vireo {

GatewayResult AskGateway(const Ipv4Address& gateway)
{
    std::optional<std::string> location = SearchGateway(gateway, kWanIpConnection);
    if (!location) return {};
    std::optional<std::string> description = FetchReplyBody(DescriptionRequest(*location));
    if (!description) return {};
    std::optional<std::string> control_url = FindControlUrl(*description, *location, kWanIpConnection);
    if (!control_url) return {};

    GatewayResult result{GatewayAnswer::NoAddress, {}};
    std::optional<std::string> answer = FetchReplyBody(ExternalAddressRequest(*control_url));
    if (!answer) return result;
    std::size_t cursor = 0;
    std::optional<std::string_view> text = ElementText(*answer, cursor, "NewExternalIPAddress");
    if (!text) return result;
    std::string address(*text);
    TrimText(address);
    if (ParseAddress(address, result.address)) result.answer = GatewayAnswer::Address;
    return result;
}

std::optional<Ipv4Address> DiscoverExternalAddress(std::span<const std::optional<Ipv4Address>> gateways)
{
    for (const std::optional<Ipv4Address>& gateway : gateways) {
        if (!gateway) continue;
        const GatewayResult result = AskGateway(*gateway);
        switch (result.answer) {
            case GatewayAnswer::NoDevice:
                continue;
            case GatewayAnswer::NoAddress:
                return std::nullopt;
            case GatewayAnswer::Address:
                return result.address;
        }
    }
    return std::nullopt;
}

std::optional<Ipv4Address> DiscoverExternalAddress()
{
    return DiscoverExternalAddress(AdapterGateways());
}

}  // namespace vireo
