#include "http/https_redirect.h"

#include "base/text_helpers.h"
#include "http/response.h"
#include "http/send_response.h"

namespace vireo {
namespace {

// A Host value is a name or address with an optional port; anything else could smuggle text into
// the Location line, so it is not trusted.
bool IsPlainHost(std::string_view host)
{
    if (host.empty() || host.size() > 255) return false;
    for (const char c : host) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                             c == '.' || c == '-' || c == ':' || c == '[' || c == ']' || c == '_';
        if (!allowed) return false;
    }
    return true;
}

// Whether the Host value names a port: after the closing bracket of an IPv6 address, or anywhere in
// a name or IPv4 address.
bool NamesPort(std::string_view host)
{
    const std::size_t bracket = host.rfind(']');
    return host.find(':', bracket == std::string_view::npos ? 0 : bracket) != std::string_view::npos;
}

}  // namespace

bool MustMoveToHttps(const Request& request)
{
    return !request.Url().starts_with("/.well-known/acme-challenge/");
}

std::string HttpsLocation(const Connection& connection)
{
    const Request& request = connection.request();
    std::string host(Trimmed(request.Header("host")));
    if (!IsPlainHost(host)) {
        Ipv4Endpoint local;
        connection.LocalAddress(local);
        host = FormatAddress(local.address) + ":" + std::to_string(local.port);
    } else if (!NamesPort(host)) {
        // The visitor came in on port 80, HTTP's own, and the same port answers HTTPS; without
        // the port the browser would go to 443, where this server does not listen.
        host += ":80";
    }
    std::string location = "https://" + host;
    location.append(request.Url().empty() ? std::string_view("/") : request.Url());
    if (!request.Query().empty()) location.append("?").append(request.Query());
    return location;
}

int SendHttpsRedirect(Connection& connection)
{
    const std::string location = HttpsLocation(connection);
    Response response;
    response.BeginResponse(301);
    response.AddHeader("Location", location);
    response.AddConnection();
    response.Finish();
    return SendResponse(connection, response, nullptr);
}

}  // namespace vireo
