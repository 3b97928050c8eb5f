#include "community/web_community/web_address.h"

#include "base/ascii_case.h"

namespace vireo {

bool IsWebAddress(std::string_view address)
{
    return StartsWithIgnoreCase(address, "http://") || StartsWithIgnoreCase(address, "https://");
}

std::string WebAddressHref(std::string_view address)
{
    std::string href;
    href.reserve(address.size());
    for (char c : address) {
        if (c == '"') {
            href += "%22";
        } else {
            href += c;
        }
    }
    return href;
}

}  // namespace vireo
