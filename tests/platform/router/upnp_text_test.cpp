// The text rules router discovery reads a gateway's answers with, and the requests it sends.
#include "platform/router/upnp_text.h"

#include <gtest/gtest.h>

#include "platform/router/upnp_requests.h"
#include "platform/router/url_reference.h"

namespace vireo {
namespace {

TEST(UpnpHeaderValue, NameAtALineStartFollowedByAColon)
{
    const std::string answer =
        "HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=120\r\nlocation:\t "
        "http://192.168.1.1:5000/rootDesc.xml\r\n"
        "XLocation: http://wrong/\r\nST: x\r\n\r\n";
    EXPECT_EQ(HeaderValue(answer, "Location"), "http://192.168.1.1:5000/rootDesc.xml");
    EXPECT_EQ(HeaderValue(answer, "st"), "x");
    EXPECT_EQ(HeaderValue("Location: at the start", "LOCATION"), "at the start");
    EXPECT_EQ(HeaderValue("Location : spaced\r\n", "Location"), "");
    EXPECT_EQ(HeaderValue("Location:", "Location"), "");
    EXPECT_EQ(HeaderValue("Server: x\nLocation: bare-lf\nNext: y", "Location"), "bare-lf");
    EXPECT_EQ(HeaderValue(answer, "Missing"), "");
}

TEST(UpnpElementText, TagsMatchWholeNamesAndLeaveTheCursorAtTheEndTag)
{
    const std::string text =
        "<serviceType>a</serviceType><service >one</service>\r\n<service\n>two</service\t>";
    std::size_t cursor = 0;
    EXPECT_EQ(ElementText(text, cursor, "service"), "one");
    EXPECT_EQ(text.substr(cursor, 10), "</service>");
    EXPECT_EQ(ElementText(text, cursor, "service"), "two");
    EXPECT_EQ(ElementText(text, cursor, "service"), std::nullopt);
    const std::size_t at_end = cursor;
    EXPECT_EQ(ElementText(text, cursor, "service"), std::nullopt);
    EXPECT_EQ(cursor, at_end);

    cursor = 0;
    EXPECT_EQ(ElementText("<Service>x</Service>", cursor, "service"), std::nullopt);
    cursor = 0;
    EXPECT_EQ(ElementText("<controlURL>/ctl</controlURLs>", cursor, "controlURL"), std::nullopt);
    cursor = 0;
    EXPECT_EQ(ElementText("<controlURL>/ctl", cursor, "controlURL"), std::nullopt);
}

std::string Service(std::string_view type, std::string_view control)
{
    return "<service><serviceType>" + std::string(type) +
           "</serviceType><serviceId>x</serviceId><controlURL>" + std::string(control) +
           "</controlURL></service>";
}

TEST(UpnpControlUrl, FormsOfTheControlUrlAreResolvedAgainstTheDescription)
{
    const std::string location = "http://192.168.1.1:5000/dev/rootDesc.xml";
    const struct {
        std::string_view control;
        std::string_view expected;
    } cases[] = {
        {"/ctl/IPConn", "http://192.168.1.1:5000/ctl/IPConn"},
        {"./ctl/IPConn", "http://192.168.1.1:5000/dev/ctl/IPConn"},
        {"../ctl/IPConn", "http://192.168.1.1:5000/ctl/IPConn"},
        {"ctl/IPConn", "http://192.168.1.1:5000/dev/ctl/IPConn"},
        {"//192.168.1.9:80/ctl", "http://192.168.1.9:80/ctl"},
        {"http://192.168.1.1:49000/upnp/control/WANIPConn1",
         "http://192.168.1.1:49000/upnp/control/WANIPConn1"},
    };
    for (const auto& c : cases) {
        const std::string description = "<root><serviceList>" + Service("urn:other", "/no") +
                                        Service(kWanIpConnection, c.control) + "</serviceList></root>";
        EXPECT_EQ(FindControlUrl(description, location, kWanIpConnection), c.expected) << c.control;
    }
}

TEST(UpnpControlUrl, NestedDevicesAreFoundAndNearMissesPassedOver)
{
    const std::string nested =
        "<root><device><deviceList><device><deviceList><device><serviceList>" +
        Service(" urn:schemas-upnp-org:service:WANIPConnection:1", "/spaced") +
        Service("urn:schemas-upnp-org:service:WANIPConnection:10", "/longer") +
        Service(kWanIpConnection, "/ctl IPConn") + Service(kWanIpConnection, "/ctl\r\nX: y") +
        "<service><serviceType>urn:schemas-upnp-org:service:WANIPConnection:1</serviceType></service>" +
        Service(kWanIpConnection, "/upnp/control/WANIPConn1") + Service(kWanIpConnection, "/second") +
        "</serviceList></device></deviceList></device></deviceList></device></root>";
    EXPECT_EQ(FindControlUrl(nested, "http://10.0.0.1/desc.xml", kWanIpConnection),
              "http://10.0.0.1/upnp/control/WANIPConn1");
    EXPECT_EQ(
        FindControlUrl("<root>" + Service("urn:x", "/a") + "</root>", "http://10.0.0.1/", kWanIpConnection),
        std::nullopt);
    EXPECT_EQ(FindControlUrl("", "http://10.0.0.1/", kWanIpConnection), std::nullopt);
    EXPECT_EQ(FindControlUrl(Service(kWanIpConnection, "\r\n\t/ctl/IPConn \r\n"), "http://10.0.0.1/",
                             kWanIpConnection),
              "http://10.0.0.1/ctl/IPConn");
}

TEST(UrlReference, TheUsualResolutionRules)
{
    const std::string base = "http://a/b/c/d;p?q";
    const struct {
        std::string_view reference;
        std::string_view expected;
    } cases[] = {
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g", "http://g"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q#s"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"./", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../..", "http://a/"},
        {"../../g", "http://a/g"},
        {"../../../g", "http://a/g"},
        {"/./g", "http://a/g"},
        {"g.", "http://a/b/c/g."},
        {"g;x=1/../y", "http://a/b/c/y"},
        {"h:g", "h:g"},
    };
    for (const auto& c : cases) EXPECT_EQ(ResolveReference(base, c.reference), c.expected) << c.reference;
    EXPECT_EQ(ResolveReference("http://10.0.0.1:5000", "ctl"), "http://10.0.0.1:5000/ctl");
}

TEST(UpnpRequests, TheSearchDatagramByteForByte)
{
    EXPECT_EQ(
        SearchMessage(kWanIpConnection),
        "M-SEARCH * HTTP/1.1\r\nHost: 239.255.255.250:1900\r\n"
        "ST: urn:schemas-upnp-org:service:WANIPConnection:1\r\nMan:\"ssdp:discover\"\r\nMX:3\r\n\r\n\r\n");
}

TEST(UpnpRequests, TheDescriptionRequestSplitsItsUrl)
{
    HttpRequest request = DescriptionRequest("HTTP://192.168.1.1:5000/rootDesc.xml");
    EXPECT_EQ(request.host, "192.168.1.1");
    EXPECT_EQ(request.port, 5000);
    EXPECT_EQ(request.bytes, "GET /rootDesc.xml HTTP/1.1\r\nHOST: 192.168.1.1:5000\r\n\r\n");
    request = DescriptionRequest("http://gateway");
    EXPECT_EQ(request.port, 80);
    EXPECT_EQ(request.bytes, "GET / HTTP/1.1\r\nHOST: gateway\r\n\r\n");
    request = DescriptionRequest("http://10.0.0.1:80/a?b");
    EXPECT_EQ(request.bytes, "GET /a?b HTTP/1.1\r\nHOST: 10.0.0.1\r\n\r\n");
    EXPECT_EQ(DescriptionRequest("http://10.0.0.1:99999/").port, 0);
}

TEST(UpnpRequests, TheSoapCallAlwaysNamesThePortAndCarriesItsFixedBody)
{
    const HttpRequest request = ExternalAddressRequest("http://10.0.0.1/upnp/control/WANIPConn1");
    EXPECT_EQ(request.host, "10.0.0.1");
    EXPECT_EQ(request.port, 80);
    const std::string body =
        "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
        "s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">\r\n<s:Body>\r\n"
        "<u:GetExternalIPAddress xmlns:u=\"urn:schemas-upnp-org:service:WANIPConnection:1\">\r\n"
        "</u:GetExternalIPAddress>\r\n</s:Body>\r\n</s:Envelope>\r\n";
    ASSERT_EQ(body.size(), 272u);
    EXPECT_EQ(request.bytes,
              "POST /upnp/control/WANIPConn1 HTTP/1.1\r\nHOST: 10.0.0.1:80\r\nCONTENT-LENGTH: 272\r\n"
              "CONTENT-TYPE: text/xml; charset=\"utf-8\"\r\n"
              "SOAPACTION: \"urn:schemas-upnp-org:service:WANIPConnection:1#GetExternalIPAddress\"\r\n\r\n" +
                  body);
}

}  // namespace
}  // namespace vireo
