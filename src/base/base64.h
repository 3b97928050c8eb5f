#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vireo {

// Decodes Base64 in whole groups of four characters; a trailing partial group is ignored and a
// group that begins with "=" is skipped. Nothing for an empty text or any character outside the
// alphabet (blanks and line breaks included). The decoded text ends at its first zero byte.
std::optional<std::string> Base64Decode(std::string_view text);

}  // namespace vireo
