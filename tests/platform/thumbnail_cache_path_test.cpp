#include "platform/thumbnail_cache_path.h"

#include <gtest/gtest.h>

#include "support/files.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

class ThumbnailCachePathTest : public ::testing::Test {
protected:
    TestHome home;
};

TEST(VolumeKeyTest, JoinsTheVolumeFactsInLowerCase)
{
    CdRomVolume volume;
    volume.label = "HOLIDAY_2023";
    volume.file_system = "ISO9660";
    volume.serial = 2816;
    volume.max_name_length = 255;
    EXPECT_EQ(VolumeKey(volume), "holiday_2023-iso9660-2816-255-0");
    volume.label = "Été";  // only A to Z are lowered
    volume.flags = 7;
    EXPECT_EQ(VolumeKey(volume), "Été-iso9660-2816-255-7");
}

TEST_F(ThumbnailCachePathTest, PerUserCopyCountsOnlyWhenEveryLevelExists)
{
    const std::string key = "holiday_2023-iso9660-2816-255-0";  // CRC-32 1C3B67EC
    const fs::path disc = home.path() / ".local/share/RUVEDEDA/1C3B67EC";
    EXPECT_FALSE(PerUserThumbnailCachePath(key, "/photos/2023"));

    fs::create_directories(disc / "photos");
    EXPECT_FALSE(PerUserThumbnailCachePath(key, "/photos/2023"));
    EXPECT_FALSE(fs::exists(disc / "photos/2023"));  // looking never creates a level

    fs::create_directories(disc / "photos/2023");
    EXPECT_EQ(PerUserThumbnailCachePath(key, "/photos/2023"), (disc / "photos/2023/ruvededa.$$$").string());
    EXPECT_EQ(PerUserThumbnailCachePath(key, ""), (disc / "ruvededa.$$$").string());
    EXPECT_FALSE(PerUserThumbnailCachePath("another-disc", ""));
}

TEST_F(ThumbnailCachePathTest, AFolderOnADiskHasItsCacheInsideWhetherOrNotItExists)
{
    const fs::path folder = home.path() / "pictures";
    fs::create_directories(folder);
    const std::string own = (folder / "ruvededa.$$$").string();
    EXPECT_EQ(ThumbnailCachePath(folder.string()), own);
    WriteFile(own, "cache");
    EXPECT_EQ(ThumbnailCachePath(folder.string()), own);
    EXPECT_EQ(ThumbnailCachePath(folder.string() + "/"), own);
    EXPECT_EQ(ThumbnailCachePath(folder.string() + "\\"), own);
}

}  // namespace
}  // namespace vireo::testing
