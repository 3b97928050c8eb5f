#include "base/crc32.h"

namespace vireo {

std::uint32_t Crc32(std::string_view bytes)
{
    // Bit by bit: the callers checksum a few dozen bytes, which does not pay for a table.
    std::uint32_t crc = 0xFFFFFFFFu;
    for (char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

}  // namespace vireo
