#pragma once

#include <cstddef>
#include <string_view>

namespace vireo {

// The longest prefix of text of at most max_bytes bytes that does not end inside a UTF-8
// sequence. Byte limits on names and texts count bytes, but must never split a character.
std::string_view CutUtf8(std::string_view text, std::size_t max_bytes);

}  // namespace vireo
