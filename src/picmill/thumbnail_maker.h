#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "picmill/cache_writer.h"

namespace vireo {

// Thumbnails fit this square and are never larger than the picture.
inline constexpr int kThumbnailSide = 120;

// Prepares the image decoders: one picture at a time may take as much memory as a 40-megapixel
// photo needs. Call once before MakeThumbnail.
void PrepareImageDecoders();

// Whether a file name has the extension of a format the decoders read.
bool IsPictureName(std::string_view name);

// The thumbnail of the picture at `path`, named `name`: the picture turned as its EXIF orientation
// says, scaled to fit 120 x 120, any transparency laid on white, as a 24-bit BMP; a GIF that fits
// already keeps its own bytes (and its animation). Nothing when the file is no readable picture.
std::optional<Thumbnail> MakeThumbnail(const std::string& path, std::string_view name);

}  // namespace vireo
