#include "platform/thumbnail_cache_reader.h"

#include <gtest/gtest.h>

#include "support/files.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

std::string Record(ThumbnailHead head, std::string data)
{
    head.length = static_cast<std::uint32_t>(data.size());
    ScrambleThumbnail(data, head.key);
    const auto bytes = EncodeThumbnailHead(head);
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()) + data;
}

class ThumbnailCacheReaderTest : public ::testing::Test {
protected:
    TestHome home;
    std::string path = (home.path() / "ruvededa.$$$").string();
};

TEST(ThumbnailCacheFormatTest, HeadsRoundTripAndNamesStopAtTheirField)
{
    const ThumbnailHead head{"photo.jpg", {1, 2, 3, 4, 5, 6, 7, 8}, 1234, 640, 480};
    const auto bytes = EncodeThumbnailHead(head);
    EXPECT_EQ(bytes[272], 0xD2);  // 1234, little-endian
    EXPECT_EQ(bytes[273], 0x04);
    EXPECT_EQ(bytes[276], 0xE0);  // height 480 before width 640
    EXPECT_EQ(bytes[280], 0x80);
    const ThumbnailHead back = DecodeThumbnailHead(bytes);
    EXPECT_EQ(back.name, "photo.jpg");
    EXPECT_EQ(back.key, head.key);
    EXPECT_EQ(back.length, 1234u);
    EXPECT_EQ(back.width, 640u);
    EXPECT_EQ(back.height, 480u);

    // A name field without a NUL is read to its 264 bytes only; a longer name is cut to keep one.
    std::array<unsigned char, kThumbnailHeadBytes> full{};
    full.fill('n');
    EXPECT_EQ(DecodeThumbnailHead(full).name, std::string(264, 'n'));
    EXPECT_EQ(DecodeThumbnailHead(EncodeThumbnailHead({std::string(300, 'l'), {}, 0, 0, 0})).name,
              std::string(263, 'l'));
}

TEST(ThumbnailCacheFormatTest, ScramblingMixesKeyAndMaskAndUndoesItself)
{
    std::string data(10, '\0');
    ScrambleThumbnail(data, {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(data, std::string("\x9f\x9c\x9d\x9a\x9b\x98\x99\x96\x9f\x9f"));
    ScrambleThumbnail(data, {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(data, std::string(10, '\0'));
}

TEST_F(ThumbnailCacheReaderTest, FindsRecordsByBareNameInAnyCase)
{
    WriteFile(path,
              Record({"one.gif", {9}, 0, 1, 1}, "GIF-one") + Record({"Two.bmp", {7, 7}, 0, 2, 2}, "BM-two"));
    ThumbnailCacheReader reader;
    ASSERT_TRUE(reader.Open(path));
    EXPECT_EQ(reader.Find("/some/folder/two.BMP"), "BM-two");
    EXPECT_EQ(reader.Find("C:\\x\\ONE.gif"), "GIF-one");
    EXPECT_EQ(reader.Find("three.gif"), std::nullopt);
    // Next starts where Find left off; reopening starts over.
    ASSERT_TRUE(reader.Open(path));
    EXPECT_EQ(reader.Next()->name, "one.gif");
    EXPECT_EQ(reader.Next()->name, "Two.bmp");
    EXPECT_EQ(reader.Next(), std::nullopt);
    EXPECT_FALSE(reader.Open(path + ".missing"));
    EXPECT_EQ(reader.Next(), std::nullopt);
}

TEST_F(ThumbnailCacheReaderTest, DamagedLengthsReadAsDataCutShort)
{
    std::string cache = Record({"big.gif", {}, 0, 1, 1}, std::string(100, 'g'));
    cache[272 + 3] = '\x01';  // 16 MiB and more: past the cap and past the file
    cache += Record({"after.gif", {}, 0, 1, 1}, "GIF");
    WriteFile(path, cache);
    ThumbnailCacheReader reader;
    ASSERT_TRUE(reader.Open(path));
    EXPECT_EQ(reader.Find("big.gif"), std::nullopt);
    // The bad length hides the records after it, as a cut-short file would.
    EXPECT_EQ(reader.Find("after.gif"), std::nullopt);
    // A head cut short ends the cache.
    WriteFile(path, Record({"a.gif", {}, 0, 1, 1}, "GIF") + std::string(100, 'h'));
    ASSERT_TRUE(reader.Open(path));
    EXPECT_TRUE(reader.Next());
    EXPECT_EQ(reader.Next(), std::nullopt);
}

}  // namespace
}  // namespace vireo::testing
