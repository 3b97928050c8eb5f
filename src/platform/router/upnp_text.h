#pragma once

// The text rules router discovery reads its answers with: no XML parser, only the scans a gateway's
// description and answers need.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vireo {

// The value of a header line: `name` (letter case ignored) at the start of the text or right after
// a LF, followed at once by ":"; the spaces and tabs after the colon are skipped and the value runs
// to the next CR, LF or the end. Empty when there is no such line.
std::string_view HeaderValue(std::string_view text, std::string_view name);

// The content of the next element `name` from `cursor` on: "<" and the name (letter case as
// given) followed by a space, tab, CR, LF or ">", so that a longer name never matches; the content
// starts after the next ">" and ends at "</" and the name followed by one of the same delimiters.
// The cursor is left at that end tag. Nothing, and the cursor unchanged, when a tag is missing.
std::optional<std::string_view> ElementText(std::string_view text, std::size_t& cursor,
                                            std::string_view name);

// True for a non-empty address without spaces or control bytes, which can go into a request line
// as it is.
bool IsPlainAddress(std::string_view address);

// The control URL of the first "service" element whose "serviceType" is exactly `service_type`
// and which has a usable "controlURL" (trimmed, without spaces or control bytes inside), resolved
// against `location` (the description's own address) when it is relative. Sub-devices are found
// as well, since the scan runs over the whole text.
std::optional<std::string> FindControlUrl(std::string_view description, std::string_view location,
                                          std::string_view service_type);

}  // namespace vireo
