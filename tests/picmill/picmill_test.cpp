// The built picmill run on real picture files; its caches read back by a reader of the test's own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "picture_files.h"
#include "support/child_process.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

struct Record {
    std::string name;
    std::string key;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::string image;  // unscrambled
};

std::uint32_t Little32(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// Reads every record of a cache file as the format lays them out; an error when it does not fit.
std::vector<Record> ReadCache(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<Record> records;
    for (std::size_t at = 0; at < bytes.size();) {
        EXPECT_LE(at + 284, bytes.size());
        if (at + 284 > bytes.size()) break;
        Record record;
        record.name = bytes.substr(at, 264).c_str();
        record.key = bytes.substr(at + 264, 8);
        const std::uint32_t length = Little32(bytes, at + 272);
        record.height = Little32(bytes, at + 276);
        record.width = Little32(bytes, at + 280);
        EXPECT_LE(at + 284 + length, bytes.size());
        record.image = bytes.substr(at + 284, length);
        for (std::size_t i = 0; i < record.image.size(); ++i) {
            record.image[i] = static_cast<char>(record.image[i] ^ record.key[i < 8 ? i : 0] ^ 0x9E);
        }
        records.push_back(std::move(record));
        at += 284 + length;
    }
    return records;
}

std::uint32_t BmpBitsPerPixel(const std::string& bmp)
{
    return static_cast<unsigned char>(bmp[28]) | static_cast<unsigned char>(bmp[29]) << 8;
}

QImage Decoded(const std::string& image)
{
    return QImage::fromData(reinterpret_cast<const uchar*>(image.data()), static_cast<int>(image.size()));
}

class PicmillTest : public ::testing::Test {
protected:
    ProgramResult Picmill(const fs::path& folder, const char* subfolders)
    {
        return RunProgram({PICMILL_BINARY, folder.string(), subfolders});
    }

    TestHome home;
    fs::path photos = home.path() / "photos";
};

TEST_F(PicmillTest, EveryPictureGetsAFittedThumbnailInNameOrder)
{
    QImage half_clear = FilledImage(300, 150, Qt::transparent, QImage::Format_ARGB32);
    for (int y = 0; y < 150; ++y) {
        for (int x = 150; x < 300; ++x) half_clear.setPixelColor(x, y, Qt::red);
    }
    WriteBytes(photos / "b.png", EncodedImage(half_clear, "PNG"));
    WriteBytes(photos / "A.jpg", TurnedJpegBytes(200, 100));
    WriteBytes(photos / "c.bmp", EncodedImage(FilledImage(50, 40, Qt::blue), "BMP"));
    const std::string small_gif = GifBytes(10, 8);
    WriteBytes(photos / "d.gif", small_gif);
    WriteBytes(photos / "e.GIF", GifBytes(240, 120));
    WriteBytes(photos / ".hidden.png", EncodedImage(FilledImage(5, 5, Qt::red), "PNG"));
    WriteBytes(photos / "notes.txt", "not a picture");
    WriteBytes(photos / "broken.jpg", "no picture inside");

    const ProgramResult run = Picmill(photos, "0");
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_EQ(run.output, "Wrote 5 thumbnails to " + (photos / "ruvededa.$$$").string() + "\n");

    const std::vector<Record> records = ReadCache(photos / "ruvededa.$$$");
    ASSERT_EQ(records.size(), 5u);
    std::vector<std::string> names;
    for (const Record& record : records) names.push_back(record.name);
    EXPECT_EQ(names, (std::vector<std::string>{"A.jpg", "b.png", "c.bmp", "d.gif", "e.GIF"}));

    // The size stored is the picture's as shown: the JPEG turned a quarter.
    const std::pair<std::uint32_t, std::uint32_t> shown[] = {
        {100, 200}, {300, 150}, {50, 40}, {10, 8}, {240, 120}};
    const QSize thumbnail[] = {{60, 120}, {120, 60}, {50, 40}, {10, 8}, {120, 60}};
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].width, shown[i].first) << records[i].name;
        EXPECT_EQ(records[i].height, shown[i].second) << records[i].name;
        EXPECT_EQ(Decoded(records[i].image).size(), thumbnail[i]) << records[i].name;
    }
    // A GIF that fits is kept as it is; the others become 24-bit BMPs.
    EXPECT_EQ(records[3].image, small_gif);
    for (std::size_t i : {0u, 1u, 2u, 4u}) {
        EXPECT_TRUE(records[i].image.starts_with("BM")) << records[i].name;
        EXPECT_EQ(BmpBitsPerPixel(records[i].image), 24u) << records[i].name;
    }
    // Transparency is laid on white.
    const QImage png = Decoded(records[1].image);
    EXPECT_EQ(png.pixelColor(10, 30), QColor(Qt::white));
    EXPECT_EQ(png.pixelColor(110, 30), QColor(Qt::red));
    // Each record has a key of its own.
    std::set<std::string> keys;
    for (const Record& record : records) keys.insert(record.key);
    EXPECT_EQ(keys.size(), records.size());
}

TEST_F(PicmillTest, SubfoldersGetCachesOfTheirOwnAndLinkLoopsEnd)
{
    const std::string png = EncodedImage(FilledImage(20, 20, Qt::red), "PNG");
    WriteBytes(photos / "top.png", png);
    WriteBytes(photos / "2023" / "inner.png", png);
    WriteBytes(photos / ".private" / "secret.png", png);
    fs::create_directories(photos / "empty");
    fs::create_directory_symlink("..", photos / "2023" / "loop");

    ProgramResult run = Picmill(photos, "0");
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_TRUE(fs::exists(photos / "ruvededa.$$$"));
    EXPECT_FALSE(fs::exists(photos / "2023" / "ruvededa.$$$"));

    run = Picmill(photos, "1");
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_EQ(run.output, "Wrote 1 thumbnail to " + (photos / "ruvededa.$$$").string() +
                              "\nWrote 1 thumbnail to " + (photos / "2023" / "ruvededa.$$$").string() + "\n");
    EXPECT_EQ(ReadCache(photos / "2023" / "ruvededa.$$$").at(0).name, "inner.png");
    EXPECT_FALSE(fs::exists(photos / ".private" / "ruvededa.$$$"));
    EXPECT_FALSE(fs::exists(photos / "empty" / "ruvededa.$$$"));
    // Nothing but the pictures and the caches is left in the folders.
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(photos)) {
        EXPECT_FALSE(entry.path().filename().string().starts_with(".ruvededa")) << entry.path();
    }
}

TEST_F(PicmillTest, ACacheIsReplacedWholeAndRemovedWithItsLastPicture)
{
    WriteBytes(photos / "one.png", EncodedImage(FilledImage(20, 20, Qt::red), "PNG"));
    ASSERT_EQ(Picmill(photos, "0").exit_code, 0);
    WriteBytes(photos / "two.png", EncodedImage(FilledImage(30, 30, Qt::red), "PNG"));
    ASSERT_EQ(Picmill(photos, "0").exit_code, 0);
    EXPECT_EQ(ReadCache(photos / "ruvededa.$$$").size(), 2u);
    fs::remove(photos / "one.png");
    fs::remove(photos / "two.png");
    ASSERT_EQ(Picmill(photos, "0").exit_code, 0);
    EXPECT_FALSE(fs::exists(photos / "ruvededa.$$$"));
}

TEST_F(PicmillTest, WrongCommandLinesAndUnwritableFoldersFail)
{
    EXPECT_EQ(RunProgram({PICMILL_BINARY}).exit_code, 2);
    EXPECT_EQ(RunProgram({PICMILL_BINARY, photos.string(), "2"}).exit_code, 2);
    EXPECT_EQ(RunProgram({PICMILL_BINARY, (home.path() / "missing").string(), "1"}).exit_code, 1);

    WriteBytes(photos / "one.png", EncodedImage(FilledImage(20, 20, Qt::red), "PNG"));
    ::chmod(photos.c_str(), 0555);
    const bool writable = ::access(photos.c_str(), W_OK) == 0;  // root writes anyway
    const ProgramResult run = Picmill(photos, "0");
    ::chmod(photos.c_str(), 0755);
    if (writable) GTEST_SKIP() << "running with rights that write every folder";
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_TRUE(run.output.starts_with("Cannot write the thumbnails of " + photos.string() + ": "))
        << run.output;
    EXPECT_FALSE(fs::exists(photos / "ruvededa.$$$"));
}

}  // namespace
}  // namespace vireo::testing
