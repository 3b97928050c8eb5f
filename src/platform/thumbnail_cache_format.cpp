#include "platform/thumbnail_cache_format.h"

#include <algorithm>

namespace vireo {
namespace {

constexpr std::size_t kKeyOffset = 264;
constexpr std::size_t kLengthOffset = 272;
constexpr std::size_t kHeightOffset = 276;
constexpr std::size_t kWidthOffset = 280;
constexpr unsigned char kMask = 0x9E;

std::uint32_t ReadNumber(std::span<const unsigned char, kThumbnailHeadBytes> bytes, std::size_t offset)
{
    return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

void WriteNumber(std::array<unsigned char, kThumbnailHeadBytes>& bytes, std::size_t offset,
                 std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

ThumbnailHead DecodeThumbnailHead(std::span<const unsigned char, kThumbnailHeadBytes> bytes)
{
    ThumbnailHead head;
    const auto name_end = std::find(bytes.begin(), bytes.begin() + kThumbnailNameBytes, 0);
    head.name.assign(bytes.begin(), name_end);
    std::copy_n(bytes.begin() + kKeyOffset, head.key.size(), head.key.begin());
    head.length = ReadNumber(bytes, kLengthOffset);
    head.height = ReadNumber(bytes, kHeightOffset);
    head.width = ReadNumber(bytes, kWidthOffset);
    return head;
}

std::array<unsigned char, kThumbnailHeadBytes> EncodeThumbnailHead(const ThumbnailHead& head)
{
    std::array<unsigned char, kThumbnailHeadBytes> bytes{};
    const std::size_t name_length =
        std::min(head.name.find('\0'), std::min(head.name.size(), kThumbnailNameBytes - 1));
    std::copy_n(head.name.begin(), name_length, bytes.begin());
    std::copy(head.key.begin(), head.key.end(), bytes.begin() + kKeyOffset);
    WriteNumber(bytes, kLengthOffset, head.length);
    WriteNumber(bytes, kHeightOffset, head.height);
    WriteNumber(bytes, kWidthOffset, head.width);
    return bytes;
}

void ScrambleThumbnail(std::span<char> data, const ThumbnailKey& key)
{
    for (std::size_t i = 0; i < data.size(); ++i) {
        const unsigned char key_byte = i < key.size() ? key[i] : key[0];
        data[i] = static_cast<char>(static_cast<unsigned char>(data[i]) ^ key_byte ^ kMask);
    }
}

const char* ThumbnailContentType(std::span<const char> data)
{
    return !data.empty() && (data[0] == 'G' || data[0] == 'g') ? "image/gif" : "image/bmp";
}

}  // namespace vireo
