#pragma once

#include <string>
#include <string_view>

namespace vireo {

// The address a reference found in a document at `base` stands for, by the usual rules for
// resolving a relative reference (RFC 3986, section 5.2): a reference with a scheme is taken as it
// is; "//host/x", "/x", "x", "../x", "?q" and "#f" are taken relative to the base, with "." and
// ".." path elements removed.
std::string ResolveReference(std::string_view base, std::string_view reference);

}  // namespace vireo
