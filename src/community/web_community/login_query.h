#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vireo {

// The value that follows the first occurrence of `key` (such as "id=") anywhere in a login's
// query, decoded up to the next "&" or the end, at most max_bytes bytes: "+" becomes a space; "%"
// takes the next two characters as a hexadecimal number (their leading hexadecimal digits; none
// gives 0) and goes on after them. The text ends at a decoded zero byte, and is trimmed. Nothing
// when the key does not occur.
std::optional<std::string> DecodeLoginValue(std::string_view query, std::string_view key,
                                            std::size_t max_bytes);

}  // namespace vireo
