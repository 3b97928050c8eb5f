#include "settings/dynamic_files.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/registry.h"
#include "support/files.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kKey = "Software\\QUILLMARK\\Vireo\\DynamicFiles";

DynamicFile Published(std::string path, bool real_time = false, bool use_newest = false,
                      std::string pattern = "")
{
    DynamicFile file;
    file.path = std::move(path);
    file.pattern = std::move(pattern);
    file.real_time = real_time;
    file.use_newest = use_newest;
    return file;
}

std::vector<std::string> DisplayNames()
{
    std::vector<std::string> names;
    for (int i = 0; auto entry = EnumDynamicFile(i); ++i) names.push_back(entry->first);
    return names;
}

class DynamicFilesTest : public ::testing::Test {
protected:
    TestHome home;
    fs::path files = home.path() / "files";
};

TEST(DynamicFileRecordTest, LaysOutPathPatternAndFlagsAt0And260And520)
{
    const auto record = EncodeDynamicFile(Published("/srv/live.log", true, true, "*.log"));
    ASSERT_EQ(record.size(), 532u);
    std::array<std::uint8_t, 532> expected{};
    std::memcpy(&expected[0], "/srv/live.log", 13);
    std::memcpy(&expected[260], "*.log", 5);
    expected[520] = 1;
    expected[524] = 1;
    EXPECT_EQ(record, expected);

    const DynamicFile read = DecodeDynamicFile(record);
    EXPECT_EQ(read.path, "/srv/live.log");
    EXPECT_EQ(read.pattern, "*.log");
    EXPECT_TRUE(read.real_time);
    EXPECT_TRUE(read.use_newest);

    // Any nonzero word is set; the reserved word is not looked at.
    std::array<std::uint8_t, 532> flags{};
    flags[523] = 0x80;
    flags[528] = 0xFF;
    EXPECT_TRUE(DecodeDynamicFile(flags).real_time);
    EXPECT_FALSE(DecodeDynamicFile(flags).use_newest);
}

TEST(DynamicFileRecordTest, AnyOtherLengthIsTheOlderPathOnlyForm)
{
    const std::string old = std::string("/srv/old.txt") + '\0' + "left over";
    const DynamicFile read =
        DecodeDynamicFile(std::span(reinterpret_cast<const std::uint8_t*>(old.data()), old.size()));
    EXPECT_EQ(read.path, "/srv/old.txt");
    EXPECT_EQ(read.pattern, "");
    EXPECT_FALSE(read.real_time);
    EXPECT_FALSE(read.use_newest);

    const std::string unterminated = "/srv/no-zero.txt";
    EXPECT_EQ(DecodeDynamicFile(
                  std::span(reinterpret_cast<const std::uint8_t*>(unterminated.data()), unterminated.size()))
                  .path,
              unterminated);
    // 532 bytes are a record even when the path fills its field.
    std::array<std::uint8_t, 532> full{};
    std::memset(full.data(), 'p', 260);
    EXPECT_EQ(DecodeDynamicFile(full).path, std::string(260, 'p'));
}

TEST_F(DynamicFilesTest, StoresReadsEnumeratesAndDeletes)
{
    EXPECT_FALSE(GetDynamicFile("report.txt"));
    EXPECT_FALSE(EnumDynamicFile(0));
    ASSERT_TRUE(SetDynamicFile("report.txt", Published("/srv/report.txt")));
    ASSERT_TRUE(SetDynamicFile("Live.log", Published("/srv/live.log", true)));

    std::optional<BinaryValue> stored = ReadBinaryValue(RegistryRoot::CurrentUser, kKey, "report.txt");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->size(), 532u);
    EXPECT_EQ(GetDynamicFile("REPORT.TXT")->path, "/srv/report.txt");
    EXPECT_EQ(DisplayNames(), (std::vector<std::string>{"Live.log", "report.txt"}));
    EXPECT_EQ(EnumDynamicFile(0)->second.path, "/srv/live.log");
    EXPECT_TRUE(IsRealTimeFile("live.log"));
    EXPECT_FALSE(IsRealTimeFile("report.txt"));
    EXPECT_FALSE(IsRealTimeFile("missing"));

    // A value in the older form reads as a plain record.
    const std::string old = "/srv/old.txt";
    ASSERT_TRUE(
        WriteBinaryValue(RegistryRoot::CurrentUser, kKey, "old.txt",
                         std::span(reinterpret_cast<const std::uint8_t*>(old.c_str()), old.size() + 1)));
    EXPECT_EQ(GetDynamicFile("old.txt")->path, "/srv/old.txt");

    EXPECT_TRUE(DeleteDynamicFile("Report.txt"));
    EXPECT_FALSE(DeleteDynamicFile("report.txt"));
    EXPECT_EQ(DisplayNames(), (std::vector<std::string>{"Live.log", "old.txt"}));

    // Nothing that the record or a display name cannot hold is stored cut short.
    EXPECT_FALSE(SetDynamicFile("long.txt", Published("/" + std::string(259, 'x'))));
    EXPECT_FALSE(SetDynamicFile(std::string(260, 'n'), Published("/srv/a")));
    EXPECT_FALSE(SetDynamicFile("", Published("/srv/a")));
    EXPECT_TRUE(SetDynamicFile("fits.txt", Published("/" + std::string(258, 'x'))));
}

TEST_F(DynamicFilesTest, AReplacedEntryIsStoredUnderItsNewNameOnly)
{
    ASSERT_TRUE(SetDynamicFile("notes", Published("/srv/notes.txt")));
    ASSERT_TRUE(ReplaceDynamicFile("notes", "Notes", Published("/srv/new.txt", true)));
    ASSERT_TRUE(EnumDynamicFile(0));
    EXPECT_EQ(EnumDynamicFile(0)->first, "Notes");  // the new spelling, not the first one
    EXPECT_FALSE(EnumDynamicFile(1));
    ASSERT_TRUE(ReplaceDynamicFile("NOTES", "diary", Published("/srv/diary.txt")));
    EXPECT_FALSE(GetDynamicFile("notes"));
    EXPECT_EQ(GetDynamicFile("diary")->path, "/srv/diary.txt");

    // A record the store cannot hold leaves the old entry in place.
    EXPECT_FALSE(ReplaceDynamicFile("diary", "long", Published(std::string(300, 'p'))));
    EXPECT_EQ(GetDynamicFile("diary")->path, "/srv/diary.txt");
    EXPECT_FALSE(GetDynamicFile("long"));
}

TEST_F(DynamicFilesTest, AddedFilesGetUniqueDisplayNames)
{
    struct Case {
        std::string path;
        std::string name;
    };
    const Case cases[] = {
        {"/srv/a.txt", "a.txt"},
        {"/other/a.txt", "a[1].txt"},
        {"/srv/A.TXT", "A[2].TXT"},
        {"/srv/notes", "notes"},
        {"/srv/notes", "notes[1]"},
        {"C:\\docs\\a.txt", "a[3].txt"},
        {"/srv/archive.tar.gz", "archive.tar.gz"},
        {"/srv/archive.tar.gz", "archive.tar[1].gz"},
    };
    for (const Case& c : cases) {
        std::optional<std::pair<std::string, DynamicFile>> added = AddDynamicFile(c.path);
        ASSERT_TRUE(added) << c.path;
        EXPECT_EQ(added->first, c.name);
        EXPECT_EQ(added->second.path, c.path);
        std::optional<DynamicFile> stored = GetDynamicFile(c.name);
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->path, c.path);
        EXPECT_EQ(stored->pattern, "");
        EXPECT_FALSE(stored->real_time);
        EXPECT_FALSE(stored->use_newest);
    }
    EXPECT_FALSE(AddDynamicFile("/srv/folder/"));
    EXPECT_FALSE(AddDynamicFile("/srv/" + std::string(260, 'n')));
}

TEST_F(DynamicFilesTest, ActualFileIsTheStoredOneOrTheNewestMatch)
{
    const fs::path shot = files / "shot.jpg";
    WriteFile(shot, "stored");
    WriteFile(files / "older.jpg", "older");
    WriteFile(files / "newest.JPG", "newest");
    WriteFile(files / "newer.png", "png");
    WriteFile(files / ".hidden.jpg", "hidden");
    fs::create_directories(files / "folder.jpg");
    ASSERT_TRUE(SetWriteTime(shot, 1'600'000'000));
    ASSERT_TRUE(SetWriteTime(files / "older.jpg", 1'500'000'000));
    ASSERT_TRUE(SetWriteTime(files / "newest.JPG", 1'700'000'000));
    ASSERT_TRUE(SetWriteTime(files / "newer.png", 1'800'000'000));
    ASSERT_TRUE(SetWriteTime(files / ".hidden.jpg", 1'900'000'000));
    ASSERT_TRUE(SetWriteTime(files / "folder.jpg", 1'900'000'000));

    ASSERT_TRUE(SetDynamicFile("plain", Published(shot.string())));
    EXPECT_FALSE(GetActualDynamicFile("plain"));  // not real-time
    EXPECT_FALSE(GetActualDynamicFile("missing"));

    ASSERT_TRUE(SetDynamicFile("live", Published(shot.string(), true)));
    EXPECT_EQ(GetActualDynamicFile("live"), shot.string());

    ASSERT_TRUE(SetDynamicFile("newest", Published(shot.string(), true, true)));
    EXPECT_EQ(GetActualDynamicFile("newest"), (files / "newest.JPG").string());

    ASSERT_TRUE(SetDynamicFile("pattern", Published(shot.string(), true, true, "*.png")));
    EXPECT_EQ(GetActualDynamicFile("pattern"), (files / "newer.png").string());
    ASSERT_TRUE(SetDynamicFile("older", Published(shot.string(), true, true, "o*")));
    EXPECT_EQ(GetActualDynamicFile("older"), (files / "older.jpg").string());

    // No match: the stored file, as long as it is there.
    ASSERT_TRUE(SetDynamicFile("nomatch", Published(shot.string(), true, true, "*.gif")));
    EXPECT_EQ(GetActualDynamicFile("nomatch"), shot.string());
    fs::remove(shot);
    EXPECT_FALSE(GetActualDynamicFile("nomatch"));
    EXPECT_FALSE(GetActualDynamicFile("live"));
    EXPECT_EQ(GetActualDynamicFile("newest"), (files / "newest.JPG").string());

    ASSERT_TRUE(SetDynamicFile("dir", Published((files / "folder.jpg").string(), true)));
    EXPECT_FALSE(GetActualDynamicFile("dir"));
}

}  // namespace
}  // namespace vireo::testing
