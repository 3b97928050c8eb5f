#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/ipv4.h"

namespace vireo {

// Removes leading and trailing spaces, tabs, CRs and LFs in place; returns the new length.
std::size_t TrimText(std::string& text);
// The same, as a trimmed copy.
std::string Trimmed(std::string_view text);

// Brings a local path into one form in place: every "\" becomes "/", runs of "/" become one, and
// a trailing "/" is cut unless it is the root itself.
void NormalizePath(std::string& path);

// Where the extension of a name begins: the position of its last "." when with_dot is set, of the
// character after that "." otherwise; the name's length when it has no "." at all.
std::size_t FindExtension(std::string_view name, bool with_dot);

// What EscapeControlBytes leaves as it is.
enum class KeptControls {
    None,           // every control byte is escaped: a console line stays one harmless line
    TabAndLineEnds  // TAB and CR LF pairs stay; bare CR, bare LF and the rest are escaped
};

// The text with its control bytes (below 0x20, and 0x7F) written as "\xNN" (upper-case hex), so text
// a visitor sent can neither send terminal sequences nor start a line of its own.
std::string EscapeControlBytes(std::string_view text, KeptControls kept);

// The site's own address: "http://a.b.c.d/" on port 80, else "http://a.b.c.d:port/".
std::string FormatSiteUrl(const Ipv4Endpoint& endpoint);

// Compares two secrets in a time that depends only on their lengths, not on where they differ.
bool ConstantTimeEquals(std::string_view a, std::string_view b);

}  // namespace vireo
