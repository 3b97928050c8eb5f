#include "picture_files.h"

#include <QBuffer>
#include <fstream>

namespace vireo::testing {

QImage FilledImage(int width, int height, QColor colour, QImage::Format format)
{
    QImage image(width, height, format);
    image.fill(colour);
    return image;
}

std::string EncodedImage(const QImage& image, const char* format)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return std::string(buffer.data().constData(), static_cast<std::size_t>(buffer.data().size()));
}

std::string GifBytes(int width, int height)
{
    auto little = [](std::string& out, int value) {
        out += static_cast<char>(value & 0xFF);
        out += static_cast<char>(value >> 8);
    };
    std::string gif = "GIF89a";
    little(gif, width);
    little(gif, height);
    gif += std::string("\x80\x00\x00", 3);              // a global table of two colours
    gif += std::string("\x00\x00\xFF\xFF\xFF\xFF", 6);  // blue, white
    gif += ',';
    little(gif, 0);
    little(gif, 0);
    little(gif, width);
    little(gif, height);
    gif += '\0';
    gif += '\x02';  // LZW minimum code size: codes of three bits
    // A clear code before every pixel keeps the code width at three bits: clear 4, end 5.
    std::string packed;
    unsigned bits = 0;
    int count = 0;
    auto put = [&](unsigned code) {
        bits |= code << count;
        count += 3;
        while (count >= 8) {
            packed += static_cast<char>(bits & 0xFF);
            bits >>= 8;
            count -= 8;
        }
    };
    for (int i = 0; i < width * height; ++i) {
        put(4);
        put(static_cast<unsigned>((i / width + i % width) % 2));
    }
    put(5);
    if (count > 0) packed += static_cast<char>(bits & 0xFF);
    for (std::size_t at = 0; at < packed.size(); at += 255) {
        const std::string block = packed.substr(at, 255);
        gif += static_cast<char>(block.size());
        gif += block;
    }
    gif += '\0';
    gif += ';';
    return gif;
}

std::string TurnedJpegBytes(int stored_width, int stored_height)
{
    const std::string jpeg = EncodedImage(FilledImage(stored_width, stored_height, Qt::green), "JPG");
    // APP1 "Exif": a little-endian TIFF head and one entry, Orientation (0x0112) = 6.
    const std::string exif(
        "\xFF\xE1\x00\x22"
        "Exif\x00\x00"
        "II\x2A\x00\x08\x00\x00\x00"
        "\x01\x00"
        "\x12\x01\x03\x00\x01\x00\x00\x00\x06\x00\x00\x00"
        "\x00\x00\x00\x00",
        36);
    return jpeg.substr(0, 2) + exif + jpeg.substr(2);
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace vireo::testing
