#include "platform/router/upnp_requests.h"

#include "base/ascii_case.h"

namespace vireo {
namespace {

constexpr std::string_view kSoapBody =
    "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">\r\n"
    "<s:Body>\r\n"
    "<u:GetExternalIPAddress xmlns:u=\"urn:schemas-upnp-org:service:WANIPConnection:1\">\r\n"
    "</u:GetExternalIPAddress>\r\n"
    "</s:Body>\r\n"
    "</s:Envelope>\r\n";

struct Target {
    std::string host;
    std::uint16_t port = 80;
    std::string_view path;
};

// Host, port and path of what follows the skipped scheme: the host to the next ":" or "/", a
// decimal port after a ":", the path from there on.
Target SplitAfterScheme(std::string_view rest)
{
    while (!rest.empty() && (rest[0] == ':' || rest[0] == '/')) rest.remove_prefix(1);
    Target target;
    const std::size_t host_end = std::min(rest.find_first_of(":/"), rest.size());
    target.host = rest.substr(0, host_end);
    rest.remove_prefix(host_end);
    if (rest.starts_with(':')) {
        rest.remove_prefix(1);
        unsigned port = 0;
        std::size_t digits = 0;
        while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') {
            port = std::min(port * 10 + static_cast<unsigned>(rest[digits] - '0'), 65536u);
            ++digits;
        }
        // A number no port can have reads as none, so the request goes nowhere.
        target.port = port <= 65535 ? static_cast<std::uint16_t>(port) : 0;
        rest.remove_prefix(digits);
    }
    target.path = rest;
    return target;
}

}  // namespace

std::string SearchMessage(std::string_view search_target)
{
    return "M-SEARCH * HTTP/1.1\r\nHost: 239.255.255.250:1900\r\nST: " + std::string(search_target) +
           "\r\nMan:\"ssdp:discover\"\r\nMX:3\r\n\r\n\r\n";
}

HttpRequest DescriptionRequest(std::string_view url)
{
    if (StartsWithIgnoreCase(url, "http")) url.remove_prefix(4);
    Target target = SplitAfterScheme(url);
    const std::string path = target.path.empty() ? "/" : std::string(target.path);
    HttpRequest request{target.host, target.port, {}};
    request.bytes = "GET " + path + " HTTP/1.1\r\nHOST: " + target.host;
    if (target.port != 80) request.bytes += ":" + std::to_string(target.port);
    request.bytes += "\r\n\r\n";
    return request;
}

HttpRequest ExternalAddressRequest(std::string_view control_url)
{
    const std::size_t colon = control_url.find(':');
    Target target =
        SplitAfterScheme(colon == std::string_view::npos ? std::string_view{} : control_url.substr(colon));
    // A request line needs a path; a control URL that names none asks for the root.
    const std::string path = target.path.empty() ? "/" : std::string(target.path);
    HttpRequest request{target.host, target.port, {}};
    request.bytes =
        "POST " + path + " HTTP/1.1\r\nHOST: " + target.host + ":" + std::to_string(target.port) +
        "\r\nCONTENT-LENGTH: " + std::to_string(kSoapBody.size()) +
        "\r\nCONTENT-TYPE: text/xml; charset=\"utf-8\"\r\n"
        "SOAPACTION: \"urn:schemas-upnp-org:service:WANIPConnection:1#GetExternalIPAddress\"\r\n\r\n";
    request.bytes += kSoapBody;
    return request;
}

}  // namespace vireo
