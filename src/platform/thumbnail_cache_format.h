#pragma once

// The record layout of a thumbnail cache ("ruvededa.$$$"): no file header, just records, each a
// 284-byte head followed by the image data. Numbers are 32-bit little-endian.
//
//   offset 0    264  the picture's bare file name, NUL-terminated
//   offset 264    8  the record's scrambling key
//   offset 272    4  data length in bytes
//   offset 276    4  picture height
//   offset 280    4  picture width
//   offset 284       the scrambled image data: a whole GIF ("G" or "g" first) or BMP image

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vireo {

inline constexpr std::size_t kThumbnailNameBytes = 264;
inline constexpr std::size_t kThumbnailHeadBytes = 284;
// No thumbnail is near this size; a longer record is taken for damage rather than read.
inline constexpr std::uint32_t kMaxThumbnailBytes = 16 * 1024 * 1024;

using ThumbnailKey = std::array<unsigned char, 8>;

struct ThumbnailHead {
    std::string name;  // at most 263 bytes, no NUL
    ThumbnailKey key{};
    std::uint32_t length = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// The head's fields; the name ends at its first NUL or after all 264 bytes.
ThumbnailHead DecodeThumbnailHead(std::span<const unsigned char, kThumbnailHeadBytes> bytes);
// The head's 284 bytes; a longer name is cut to 263 bytes.
std::array<unsigned char, kThumbnailHeadBytes> EncodeThumbnailHead(const ThumbnailHead& head);

// Scrambles or unscrambles image data in place (the same operation both ways): byte i is XOR-ed
// with key byte i for the first eight bytes and with key byte 0 after them, and every byte with 0x9E.
void ScrambleThumbnail(std::span<char> data, const ThumbnailKey& key);

// The content type of unscrambled image data: GIF when it starts with "G" or "g", else BMP.
const char* ThumbnailContentType(std::span<const char> data);

}  // namespace vireo
