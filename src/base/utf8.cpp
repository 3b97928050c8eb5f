#include "base/utf8.h"

namespace vireo {

std::string_view CutUtf8(std::string_view text, std::size_t max_bytes)
{
    if (text.size() <= max_bytes) return text;
    std::size_t cut = max_bytes;
    // Step back over continuation bytes (10xxxxxx) to the start of the character that was split.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return text.substr(0, cut);
}

}  // namespace vireo
