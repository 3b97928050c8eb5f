#include "platform/router/gateways.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace vireo {
namespace {

// /proc/net/route as the kernel writes it on a little-endian machine: each address is the number
// its four bytes make in memory, written in hexadecimal.
std::string Hex(const Ipv4Address& address)
{
    std::uint32_t number = 0;
    std::memcpy(&number, address.data(), 4);
    char text[9];
    std::snprintf(text, sizeof text, "%08X", number);
    return text;
}

std::string Route(std::string_view adapter, const Ipv4Address& destination, const Ipv4Address& gateway,
                  std::string_view flags, const Ipv4Address& mask)
{
    return std::string(adapter) + "\t" + Hex(destination) + "\t" + Hex(gateway) + "\t" + std::string(flags) +
           "\t0\t0\t100\t" + Hex(mask) + "\t0\t0\t0\n";
}

TEST(AdapterGateways, EachAdapterHasTheGatewayOfItsDefaultRouteInOrder)
{
    const std::string table =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n" +
        Route("eth0", {192, 168, 1, 0}, {0, 0, 0, 0}, "0001", {255, 255, 255, 0}) +
        Route("wlan0", {0, 0, 0, 0}, {10, 0, 0, 1}, "0003", {0, 0, 0, 0}) +
        Route("wlan0", {0, 0, 0, 0}, {10, 0, 0, 254}, "0003", {0, 0, 0, 0}) +
        Route("down0", {0, 0, 0, 0}, {172, 16, 0, 1}, "0002", {0, 0, 0, 0}) +
        Route("tun0", {0, 0, 0, 0}, {0, 0, 0, 0}, "0001", {0, 0, 0, 0}) + "garbage line\n";
    const std::vector<std::string> adapters = {"lo", "eth0", "wlan0", "down0", "tun0"};
    const std::vector<std::optional<Ipv4Address>> gateways = AdapterGateways(adapters, table);
    ASSERT_EQ(gateways.size(), 5u);
    EXPECT_EQ(gateways[0], std::nullopt);
    EXPECT_EQ(gateways[1], std::nullopt);  // a route to its own network only
    EXPECT_EQ(gateways[2], (Ipv4Address{10, 0, 0, 1}));
    EXPECT_EQ(gateways[3], std::nullopt);  // not up
    EXPECT_EQ(gateways[4], std::nullopt);  // a default route without a gateway
    EXPECT_TRUE(AdapterGateways(adapters, "").size() == 5);
}

TEST(AdapterGateways, ThisComputersAdaptersAreListed)
{
    // The loopback adapter is always there and never has a gateway.
    EXPECT_FALSE(AdapterGateways().empty());
}

}  // namespace
}  // namespace vireo
