// The archive format itself: DOS times, the UTF-8 flag, every fixed header field of a small archive,
// and the limits of the 32-bit format.
#include "content/zip/zip_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "base/crc32.h"
#include "base/unique_fd.h"
#include "content/zip/zip_test_tools.h"
#include "support/files.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

FileTime Utc(int year, int month, int day, int hour, int minute, int second)
{
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    return FileTimeFromUnixTime(::timegm(&parts));
}

TEST(ZipDosTime, FieldsComeFromTheUtcTimeAsItIs)
{
    struct Case {
        FileTime when;
        std::uint16_t time, date;
    } cases[] = {
        {Utc(1980, 1, 1, 0, 0, 0), 0x0000, 0x0021},
        {Utc(2004, 6, 15, 13, 45, 31), 13 << 11 | 45 << 5 | 15, 24 << 9 | 6 << 5 | 15},
        {Utc(2107, 12, 31, 23, 59, 59), 23 << 11 | 59 << 5 | 29, 127 << 9 | 12 << 5 | 31},
        // Outside what DOS dates can hold: the nearest DOS instant.
        {Utc(1979, 12, 31, 23, 59, 59), 0x0000, 0x0021},
        {0, 0x0000, 0x0021},
        {Utc(2108, 1, 1, 0, 0, 0), 23 << 11 | 59 << 5 | 29, 127 << 9 | 12 << 5 | 31},
    };
    for (const Case& c : cases) {
        const DosDateTime dos = DosDateTimeFromFileTime(c.when);
        EXPECT_EQ(dos.time, c.time) << c.when;
        EXPECT_EQ(dos.date, c.date) << c.when;
    }
}

TEST(ZipNameFlags, Utf8BitOnlyForValidNonAsciiNames)
{
    struct Case {
        std::string_view name;
        std::uint16_t flags;
    } cases[] = {
        {"plain/name.txt", 0},
        {"\xC3\xA9t\xC3\xA9/na\xC3\xAFve.txt", kZipUtf8Flag},  // été/naïve.txt
        {"\xF0\x9F\x98\x80.png", kZipUtf8Flag},                // a four-byte character
        {"\xE9t\xE9.txt", 0},                                  // Latin-1 bytes
        {"\xC0\xAF", 0},                                       // overlong "/"
        {"\xED\xA0\x80", 0},                                   // a surrogate
        {"\xF4\x90\x80\x80", 0},                               // beyond U+10FFFF
        {"cut\xE2\x82", 0},                                    // a sequence cut short
    };
    for (const Case& c : cases) EXPECT_EQ(ZipNameFlags(c.name), c.flags) << c.name;
}

class ZipWriterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(archive_fd) << "archive file"; }

    UniqueFd Source(const std::string& name, std::string_view bytes)
    {
        WriteFile(home.path() / name, bytes);
        return UniqueFd(::open((home.path() / name).c_str(), O_RDONLY | O_CLOEXEC));
    }
    std::string ArchiveBytes() { return ReadWholeFile(archive_path); }

    TestHome home;
    fs::path archive_path = home.path() / "out.zip";
    UniqueFd archive_fd{::open(archive_path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600)};
    std::atomic<bool> stop{false};
};

TEST_F(ZipWriterTest, SmallArchiveHasEveryFixedFieldAndOpens)
{
    const FileTime when = Utc(2004, 6, 15, 13, 45, 31);
    const std::string text = "hello, hello, hello, hello";
    ZipWriter writer(archive_fd.get());
    ASSERT_EQ(writer.AddFile(Source("a", text).get(), text.size(), when, "docs/a.txt", stop),
              ZipAddResult::Added);
    ASSERT_EQ(writer.AddFile(Source("e", "").get(), 0, when, "empty", stop), ZipAddResult::Added);
    ASSERT_EQ(writer.AddFile(Source("u", "x").get(), 1, when, "\xC3\xA9t\xC3\xA9.txt", stop),
              ZipAddResult::Added);
    ASSERT_EQ(writer.Finish(), ZipStatus::Complete);

    const std::string bytes = ArchiveBytes();
    EXPECT_EQ(writer.length(), bytes.size());
    EXPECT_EQ(writer.entries(), 3u);
    const std::optional<ParsedZip> zip = ParseZip(bytes);
    ASSERT_TRUE(zip);
    ASSERT_EQ(EntryNames(*zip), (std::vector<std::string>{"docs/a.txt", "empty", "\xC3\xA9t\xC3\xA9.txt"}));
    for (const ZipRecord& r : zip->entries) {
        EXPECT_EQ(r.version, 11u) << r.name;
        EXPECT_EQ(r.method, 8u) << r.name;
        EXPECT_EQ(r.extra_length, 0u) << r.name;
        EXPECT_EQ(r.time, 13u << 11 | 45u << 5 | 15u) << r.name;
        EXPECT_EQ(r.date, 24u << 9 | 6u << 5 | 15u) << r.name;
    }
    const ZipRecord& a = zip->entries[0];
    EXPECT_EQ(a.flags, 0u);
    EXPECT_EQ(a.crc, Crc32(text));
    EXPECT_EQ(a.size, text.size());
    EXPECT_LT(a.compressed_size, text.size());
    // The empty raw deflate stream: one final block of fixed codes with only the end marker.
    const ZipRecord& empty = zip->entries[1];
    EXPECT_EQ(empty.crc, 0u);
    EXPECT_EQ(empty.size, 0u);
    EXPECT_EQ(empty.data, std::string("\x03\x00", 2));
    EXPECT_EQ(zip->entries[2].flags, kZipUtf8Flag);
    EXPECT_EQ(zip->comment, "Zip Folder by Vireo (https://quillmark.example/vireo)");
    ExpectUnzipTestPasses(archive_path);
}

TEST_F(ZipWriterTest, StopLeavesTheArchiveAsItWas)
{
    ZipWriter writer(archive_fd.get());
    ASSERT_EQ(writer.AddFile(Source("a", "first").get(), 5, 0, "a", stop), ZipAddResult::Added);
    const std::uint64_t before = writer.length();
    stop = true;
    EXPECT_EQ(writer.AddFile(Source("b", std::string(100000, 'b')).get(), 100000, 0, "b", stop),
              ZipAddResult::Failed);
    EXPECT_EQ(writer.length(), before);
    EXPECT_EQ(fs::file_size(archive_path), before);
    EXPECT_EQ(writer.entries(), 1u);
}

TEST_F(ZipWriterTest, FileOf4GiBIsLeftOutUnread)
{
    // Sparse: takes no disk space, and is never read since its size alone rules it out.
    const fs::path big = home.path() / "big";
    WriteFile(big, "");
    fs::resize_file(big, std::uint64_t{1} << 32);
    UniqueFd source(::open(big.c_str(), O_RDONLY | O_CLOEXEC));
    ZipWriter writer(archive_fd.get());
    EXPECT_EQ(writer.AddFile(source.get(), std::uint64_t{1} << 32, 0, "big", stop), ZipAddResult::LeftOut);
    EXPECT_EQ(writer.AddFile(Source("s", "small").get(), 5, 0, "small", stop), ZipAddResult::Added);
    ASSERT_EQ(writer.Finish(), ZipStatus::Complete);
    const std::optional<ParsedZip> zip = ParseZip(ArchiveBytes());
    ASSERT_TRUE(zip);
    EXPECT_EQ(EntryNames(*zip), std::vector<std::string>{"small"});
}

TEST_F(ZipWriterTest, StopsAddingAt65535Entries)
{
    UniqueFd empty = Source("e", "");
    ZipWriter writer(archive_fd.get());
    for (std::uint32_t i = 0; i < kZipMaxEntries; ++i) {
        ASSERT_EQ(writer.AddFile(empty.get(), 0, 0, std::to_string(i), stop), ZipAddResult::Added) << i;
    }
    EXPECT_TRUE(writer.full());
    EXPECT_EQ(writer.AddFile(empty.get(), 0, 0, "one too many", stop), ZipAddResult::LeftOut);
    ASSERT_EQ(writer.Finish(), ZipStatus::Complete);
    const std::optional<ParsedZip> zip = ParseZip(ArchiveBytes());
    ASSERT_TRUE(zip);
    EXPECT_EQ(zip->entries.size(), kZipMaxEntries);
    ExpectUnzipTestPasses(archive_path);
}

}  // namespace
}  // namespace vireo::testing
