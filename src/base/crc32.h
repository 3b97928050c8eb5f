#pragma once

#include <cstdint>
#include <string_view>

namespace vireo {

// The standard CRC-32 (reflected polynomial 0xEDB88320, initial value all ones, final
// complement), as zip archives and the thumbnail cache folders of CD-ROMs use it.
std::uint32_t Crc32(std::string_view bytes);

}  // namespace vireo
