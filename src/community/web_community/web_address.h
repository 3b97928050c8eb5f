#pragma once

#include <string>
#include <string_view>

namespace vireo {

// Addresses that came from another machine become links, or go to the desktop's opener, only when
// they start with "http://" or "https://" (letter case ignored): never "javascript:" or a file.
bool IsWebAddress(std::string_view address);

// A web address as it goes into an href attribute: as stored, a double quote (which would end the
// attribute) as %22.
std::string WebAddressHref(std::string_view address);

}  // namespace vireo
