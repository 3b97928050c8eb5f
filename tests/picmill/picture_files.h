#pragma once

// Picture files for the thumbnail tests, made with Qt where it writes the format and by hand where it
// does not (GIF, EXIF orientation).

#include <QColor>
#include <QImage>
#include <filesystem>
#include <string>

namespace vireo::testing {

// An image of the size filled with one colour.
QImage FilledImage(int width, int height, QColor colour, QImage::Format format = QImage::Format_RGB32);

// The image's bytes in a format Qt writes ("PNG", "JPG", "BMP").
std::string EncodedImage(const QImage& image, const char* format);

// A GIF of the size in two colours, written without compression.
std::string GifBytes(int width, int height);

// A JPEG whose EXIF orientation says it is to be turned a quarter clockwise to be shown.
std::string TurnedJpegBytes(int stored_width, int stored_height);

void WriteBytes(const std::filesystem::path& path, const std::string& bytes);

}  // namespace vireo::testing
