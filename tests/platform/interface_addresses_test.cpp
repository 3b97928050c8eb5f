// The address the window shows by default, and the ones it offers.
#include "platform/interface_addresses.h"

#include <gtest/gtest.h>

namespace vireo {
namespace {

// Two adapters with a default route each; the table's first one is the wireless adapter's.
constexpr std::string_view kRoutes =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "eth0\t0000A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
    "wlan0\t00000000\t0100000A\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
    "eth0\t00000000\t0101A8C0\t0003\t0\t0\t700\t00000000\t0\t0\t0\n";

const std::vector<InterfaceAddress> kInterfaces = {
    {"lo", {127, 0, 0, 1}},   {"eth0", {192, 168, 1, 20}}, {"docker0", {172, 17, 0, 1}},
    {"wlan0", {10, 0, 0, 7}}, {"eth0", {192, 168, 1, 20}},
};

TEST(InterfaceAddressesTest, OffersOutsideAddressesFirstAndLoopbackLast)
{
    EXPECT_EQ(OfferedAddresses(kInterfaces),
              (std::vector<Ipv4Address>{{192, 168, 1, 20}, {172, 17, 0, 1}, {10, 0, 0, 7}, {127, 0, 0, 1}}));
    EXPECT_EQ(OfferedAddresses({}), (std::vector<Ipv4Address>{{127, 0, 0, 1}}));
}

TEST(InterfaceAddressesTest, DefaultIsTheDefaultRoutesAdapter)
{
    EXPECT_EQ(DefaultShownAddress(kInterfaces, kRoutes), (Ipv4Address{10, 0, 0, 7}));
    // Without a default route: the first outside address; with no adapter but loopback: loopback.
    EXPECT_EQ(DefaultShownAddress(kInterfaces, kRoutes.substr(0, kRoutes.find("wlan0"))),
              (Ipv4Address{192, 168, 1, 20}));
    EXPECT_EQ(DefaultShownAddress(std::span(kInterfaces).first(1), kRoutes), (Ipv4Address{127, 0, 0, 1}));
    // A route that is down does not count.
    EXPECT_EQ(DefaultShownAddress(kInterfaces,
                                  "Iface Destination Gateway Flags RefCnt Use Metric Mask\n"
                                  "wlan0 00000000 0100000A 0002 0 0 0 00000000\n"),
              (Ipv4Address{192, 168, 1, 20}));
}

TEST(InterfaceAddressesTest, ThisComputerOffersLoopback)
{
    const std::vector<Ipv4Address> offered = OfferedAddresses(InterfaceAddresses());
    ASSERT_FALSE(offered.empty());
    EXPECT_EQ(offered.back(), (Ipv4Address{127, 0, 0, 1}));
    EXPECT_NE(DefaultShownAddress()[0], 0);
}

}  // namespace
}  // namespace vireo
