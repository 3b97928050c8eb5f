// Router discovery against a fake gateway on 127.0.0.2: the search on UDP port 1900, then the
// description and the SOAP call over HTTP.
#include "platform/router/router_discovery.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/router/upnp_requests.h"
#include "support/fake_gateway.h"

namespace vireo::testing {
namespace {

using std::chrono::steady_clock;

std::string SearchAnswer(std::string_view location)
{
    return "HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=120\r\nST: "
           "urn:schemas-upnp-org:service:WANIPConnection:1\r\n"
           "LOCATION: " +
           std::string(location) + "\r\nSERVER: fake\r\n\r\n";
}

std::string Description(std::string_view control_url)
{
    return "<?xml version=\"1.0\"?>\r\n<root "
           "xmlns=\"urn:schemas-upnp-org:device-1-0\"><device><deviceList><device>"
           "<serviceList><service><serviceType>urn:schemas-upnp-org:service:WANIPConnection:1</serviceType>"
           "<controlURL>" +
           std::string(control_url) +
           "</controlURL></service></serviceList></device></deviceList></device></root>";
}

std::string SoapAnswer(std::string_view address)
{
    return "<?xml version=\"1.0\"?>\r\n<s:Envelope><s:Body><u:GetExternalIPAddressResponse>"
           "<NewExternalIPAddress>" +
           std::string(address) +
           "</NewExternalIPAddress></u:GetExternalIPAddressResponse></s:Body></s:Envelope>";
}

std::string WithLength(std::string_view body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + std::string(body);
}

// A gateway whose description lies at /rootDesc.xml and control URL at /ctl/IPConn, answering
// with the given description reply and SOAP reply.
FakeGateway::Script Gateway(std::function<ScriptedReply()> description, std::function<ScriptedReply()> soap)
{
    FakeGateway::Script script;
    script.search_answer = [](const std::string& base) { return SearchAnswer(base + "/rootDesc.xml"); };
    script.http = [description, soap](const std::string& request) {
        return request.starts_with("GET /rootDesc.xml ") ? description() : soap();
    };
    return script;
}

ScriptedReply Reply(std::string bytes)
{
    return ScriptedReply{{std::move(bytes)}};
}

TEST(RouterDiscovery, SendsTheThreeRequestsByteForByteAndReturnsTheAddress)
{
    FakeGateway gateway(Gateway([] { return Reply(WithLength(Description("/ctl/IPConn"))); },
                                [] { return Reply(WithLength(SoapAnswer("203.0.113.7"))); }));
    ASSERT_TRUE(gateway.ready());
    const GatewayResult result = AskGateway(FakeGateway::kAddress);
    EXPECT_EQ(result.answer, GatewayAnswer::Address);
    EXPECT_EQ(result.address, (Ipv4Address{203, 0, 113, 7}));

    ASSERT_EQ(gateway.datagrams().size(), 1u);
    EXPECT_EQ(gateway.datagrams()[0], SearchMessage(kWanIpConnection));
    const std::string host = gateway.http_base().substr(7);
    const std::vector<std::string> requests = gateway.http_requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], "GET /rootDesc.xml HTTP/1.1\r\nHOST: " + host + "\r\n\r\n");
    EXPECT_EQ(requests[1], ExternalAddressRequest("http://" + host + "/ctl/IPConn").bytes);
    EXPECT_TRUE(
        requests[1].starts_with("POST /ctl/IPConn HTTP/1.1\r\nHOST: " + host + "\r\nCONTENT-LENGTH: 272\r\n"))
        << requests[1];
}

TEST(RouterDiscovery, DescriptionsWithoutALengthAreReadToTheCloseOrTheLastChunk)
{
    const std::string description = Description("ctl/IPConn");
    const std::string by_close = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n\r\n" + description;
    std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (std::size_t at = 0; at < description.size(); at += 100) {
        const std::string piece = description.substr(at, 100);
        char size[16];
        std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
        chunked += size + piece + "\r\n";
    }
    chunked += "0\r\n\r\n";
    for (const std::string& reply : {by_close, chunked}) {
        FakeGateway gateway(Gateway(
            // Sent in pieces, the chunked one kept open: only its last chunk can end it in time.
            [&] {
                return ScriptedReply{{reply.substr(0, 40), reply.substr(40)},
                                     std::chrono::milliseconds(50),
                                     reply == by_close};
            },
            [] { return Reply(WithLength(SoapAnswer(" 198.51.100.1\r\n"))); }));
        ASSERT_TRUE(gateway.ready());
        const GatewayResult result = AskGateway(FakeGateway::kAddress);
        EXPECT_EQ(result.answer, GatewayAnswer::Address) << reply.substr(0, 60);
        EXPECT_EQ(result.address, (Ipv4Address{198, 51, 100, 1}));
    }
}

TEST(RouterDiscovery, OnlyAValidIpv4AnswerCounts)
{
    for (std::string_view answer : {"", "not an address", "2001:db8::1", "203.0.113.300", "1.2.3"}) {
        FakeGateway gateway(Gateway([] { return Reply(WithLength(Description("/ctl/IPConn"))); },
                                    [&] { return Reply(WithLength(SoapAnswer(answer))); }));
        ASSERT_TRUE(gateway.ready());
        EXPECT_EQ(AskGateway(FakeGateway::kAddress).answer, GatewayAnswer::NoAddress) << answer;
    }
    // A failing call ends the walk: the same gateway is not asked twice.
    FakeGateway gateway(
        Gateway([] { return Reply(WithLength(Description("/ctl/IPConn"))); },
                [] { return Reply("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n"); }));
    ASSERT_TRUE(gateway.ready());
    const std::optional<Ipv4Address> twice[] = {FakeGateway::kAddress, FakeGateway::kAddress};
    EXPECT_EQ(DiscoverExternalAddress(twice), std::nullopt);
    EXPECT_EQ(gateway.datagrams().size(), 1u);
}

TEST(RouterDiscovery, AdaptersWithoutAGatewayOrADeviceArePassedOver)
{
    FakeGateway gateway(Gateway([] { return Reply(WithLength("<root>no services</root>")); },
                                [] { return Reply(WithLength(SoapAnswer("203.0.113.7"))); }));
    ASSERT_TRUE(gateway.ready());
    const std::optional<Ipv4Address> gateways[] = {std::nullopt, FakeGateway::kAddress, std::nullopt};
    EXPECT_EQ(DiscoverExternalAddress(gateways), std::nullopt);
    EXPECT_EQ(gateway.datagrams().size(), 1u);
    EXPECT_EQ(gateway.http_requests().size(), 1u);
}

TEST(RouterDiscovery, ADatagramFromAnotherAddressIsIgnored)
{
    FakeGateway::Script script = Gateway([] { return Reply(WithLength(Description("/ctl/IPConn"))); },
                                         [] { return Reply(WithLength(SoapAnswer("203.0.113.9"))); });
    script.decoy_first = true;
    FakeGateway gateway(script);
    ASSERT_TRUE(gateway.ready());
    const GatewayResult result = AskGateway(FakeGateway::kAddress);
    EXPECT_EQ(result.answer, GatewayAnswer::Address);
    EXPECT_EQ(result.address, (Ipv4Address{203, 0, 113, 9}));
}

TEST(RouterDiscovery, ASilentGatewayCostsItsThreeSeconds)
{
    FakeGateway gateway(FakeGateway::Script{});
    ASSERT_TRUE(gateway.ready());
    const auto start = steady_clock::now();
    EXPECT_EQ(AskGateway(FakeGateway::kAddress).answer, GatewayAnswer::NoDevice);
    const auto took = steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(2900));
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_EQ(gateway.datagrams().size(), 1u);
}

TEST(RouterDiscovery, ADescriptionThatNeverEndsFailsAtTheStepsLimit)
{
    FakeGateway gateway(Gateway(
        [] {
            return ScriptedReply{{"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n<root>"}, {}, false};
        },
        [] { return Reply(WithLength(SoapAnswer("203.0.113.7"))); }));
    ASSERT_TRUE(gateway.ready());
    const auto start = steady_clock::now();
    EXPECT_EQ(AskGateway(FakeGateway::kAddress).answer, GatewayAnswer::NoDevice);
    EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace vireo::testing
