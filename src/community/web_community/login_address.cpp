#include "community/web_community/login_address.h"

#include "base/ascii_case.h"

namespace vireo {

std::optional<LoginAddress> ParseLoginAddress(std::string_view address)
{
    const std::size_t colon = address.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    std::string_view rest = address.substr(colon);
    while (!rest.empty() && (rest[0] == '/' || rest[0] == ':' || rest[0] == '\\')) rest.remove_prefix(1);
    const std::size_t host_end = std::min(rest.find_first_of("/:\\"), rest.size());
    if (host_end == 0) return std::nullopt;
    const bool tls = EqualsIgnoreCase(address.substr(0, colon), "https");
    LoginAddress login{std::string(rest.substr(0, host_end)), std::uint16_t(tls ? 443 : 80), "/", tls};
    rest.remove_prefix(host_end);
    if (rest.starts_with(':')) {
        rest.remove_prefix(1);
        while (rest.starts_with(' ')) rest.remove_prefix(1);
        unsigned port = 0;
        std::size_t digits = 0;
        for (; digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9'; ++digits) {
            port = std::min(port * 10 + static_cast<unsigned>(rest[digits] - '0'), 65536u);
        }
        if (port == 0 || port > 65535) return std::nullopt;
        login.port = static_cast<std::uint16_t>(port);
        rest.remove_prefix(digits);
    }
    if (const std::size_t slash = rest.find('/'); slash != std::string_view::npos)
        login.path = rest.substr(slash);
    return login;
}

}  // namespace vireo
