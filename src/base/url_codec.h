#pragma once

#include <string>
#include <string_view>

namespace vireo {

// Decodes every "%" followed by two hexadecimal digits into the byte they give; any other "%"
// and every "+" stay as they are. File names are UTF-8 like URLs, so the decoded bytes are the
// name on disk. An empty result means there is nothing to look up.
std::string UrlUnescape(std::string_view text);

// Makes a name usable inside an href: space, "#", "%" and the double quote (which would end the
// attribute) become %20, %23, %25 and %22. Everything else, UTF-8 included, stays as it is.
std::string UrlEscape(std::string_view text);

// Encodes a value of a form query: ASCII letters, digits, "-", "." and "_" stay, a space becomes
// "+", every other byte "%XX" with upper-case hexadecimal digits.
std::string FormEncode(std::string_view text);

// Decodes a value of a posted form as browsers write it: "+" becomes a space; "%" with at least two
// bytes after it takes the leading hexadecimal digits of those two as the byte to write (none give
// 0) and goes on after them; a "%" with fewer than two bytes after it is dropped.
std::string DecodeFormValue(std::string_view value);

// The entity that writes & < or > as text in a page; empty for every other byte.
std::string_view MarkupEntity(char c);

// Makes text from visitors or from the disk safe to write into a page: & < > " become entities.
std::string HtmlEscape(std::string_view text);

}  // namespace vireo
