#include "community/web_community/login_request.h"

#include "base/product.h"
#include "base/url_codec.h"

namespace vireo {

std::string LoginRequest(const CommunityHost& host, const LoginAddress& address, std::string_view site_url)
{
    std::string request = "GET " + address.path + "?id=" + FormEncode(host.id) +
                          "&name=" + FormEncode(host.site_name) +
                          "&url=" + FormEncode(std::string(site_url) + host.page_path) +
                          "&desc=" + FormEncode(host.description);
    if (!host.icon.empty()) request += "&icon=" + FormEncode(std::string(site_url) + host.icon);
    request += " HTTP/1.1\r\nAccept: text/plain\r\nUser-Agent: " + std::string(kServerName) +
               "\r\nHost: " + address.host + "\r\n\r\n";
    return request;
}

}  // namespace vireo
