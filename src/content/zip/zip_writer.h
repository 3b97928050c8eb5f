#pragma once

#include <zlib.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_time.h"

namespace vireo {

// The archive format of zip downloads: classic PKWARE zip with 32-bit sizes and offsets and a
// 16-bit entry count, no zip64, no data descriptor, no extra fields. Every file is stored with raw
// deflate (method 8), and "version needed to extract" is 11.

// The largest entry count and the largest size or offset the format can hold. 0xFFFFFFFF itself is
// the marker readers take as "look in the zip64 record", which these archives never have.
inline constexpr std::uint32_t kZipMaxEntries = 0xFFFF;
inline constexpr std::uint64_t kZipMaxSize = 0xFFFFFFFE;

// Flag bit 11: the entry's name is UTF-8.
inline constexpr std::uint16_t kZipUtf8Flag = 0x0800;

struct DosDateTime {
    std::uint16_t time = 0;  // hour << 11 | minute << 5 | second / 2
    std::uint16_t date = 0;  // (year - 1980) << 9 | month << 5 | day
};

// The DOS form of a file time, taken as it is (UTC; no conversion to local time). Times before
// 1980 give the first DOS instant, times after 2107 the last.
DosDateTime DosDateTimeFromFileTime(FileTime when);

// The general purpose flags of an entry with this name: the UTF-8 bit for names that are valid UTF-8
// and not plain ASCII, 0 otherwise (such names are written as the bytes the disk holds).
std::uint16_t ZipNameFlags(std::string_view name);

// The archive comment: "Zip Folder by Vireo (" and the maker's web address, then ")".
std::string ZipComment();

enum class ZipAddResult {
    Added,
    LeftOut,  // too large for the format, or the archive is full: the archive stays as it was
    Failed,   // a read, write or compression error, or a stop request
};

// How the writing of a whole archive ended; the numbers are the writer's status codes.
enum class ZipStatus {
    Complete = 0,
    SourceMissing = 1,    // nothing written
    AddFailed = 3,        // entries written so far remain; no central directory
    DirectoryFailed = 4,  // a local header could not be read back or a directory header not written
    EndRecordFailed = 5,
};

// Writes an archive into a file from offset 0, one complete entry at a time. Each entry's local
// header is written with the CRC and sizes still 0 and rewritten once the data is compressed, so
// each source file is read once. Only bytes below `length()` are final: the entry being written
// lies beyond it until it is complete.
class ZipWriter {
public:
    // `archive` stays owned by the caller and must be open for reading and writing.
    explicit ZipWriter(int archive);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Appends the entry `name` with the contents of `source`, read from its start up to `size`
    // bytes (less when the file has shrunk). `stop` is tested before each block read.
    // What the format cannot describe is left out rather than written wrongly, and the archive stays
    // valid without it: a file of 4 GiB or more (above kZipMaxSize), data that would not compress
    // below that, an entry that would end beyond kZipMaxSize (its offset, or the central
    // directory's, would not fit), a name longer than 65535 bytes, and any entry once the archive
    // holds kZipMaxEntries.
    ZipAddResult AddFile(int source, std::uint64_t size, FileTime last_write, std::string_view name,
                         const std::atomic<bool>& stop);

    // Appends the central directory, built by reading back each local header, and the end record
    // with the comment. Complete, DirectoryFailed or EndRecordFailed.
    ZipStatus Finish();

    // Bytes of the archive that are final.
    std::uint64_t length() const { return length_; }
    std::uint32_t entries() const { return entries_; }
    bool full() const { return entries_ >= kZipMaxEntries; }

private:
    // Compresses the source into the archive behind the local header at `data_start`, filling in
    // the CRC and both sizes of `header`.
    ZipAddResult Compress(int source, std::uint64_t size, std::uint64_t data_start, unsigned char* header,
                          const std::atomic<bool>& stop);
    bool PrepareDeflate();
    // Drops everything written beyond length().
    void Discard();
    bool WriteAt(std::uint64_t offset, const void* bytes, std::size_t count);

    int archive_;
    std::uint64_t length_ = 0;
    std::uint32_t entries_ = 0;
    z_stream deflate_{};
    bool deflate_ready_ = false;
    std::unique_ptr<unsigned char[]> input_;
    std::unique_ptr<unsigned char[]> output_;
};

}  // namespace vireo
