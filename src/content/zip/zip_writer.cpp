#include "content/zip/zip_writer.h"

#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <new>
#include <vector>

#include "base/io.h"
#include "base/product.h"

namespace vireo {
namespace {

constexpr std::size_t kInputBytes = 32768;
constexpr std::size_t kOutputBytes = 16384;

constexpr std::size_t kLocalHeaderBytes = 30;
constexpr std::size_t kCentralHeaderBytes = 46;
constexpr std::size_t kEndRecordBytes = 22;
constexpr std::uint32_t kMaxNameBytes = 0xFFFF;

constexpr std::uint16_t kVersion = 11;
// "Version made by" names the system the names come from in its upper byte. Entries say MS-DOS (0),
// except those with UTF-8 names: unzip converts names from MS-DOS hosts out of the old DOS code page
// whatever their UTF-8 flag says, and takes the names of Unix hosts (3) as they are.
constexpr std::uint16_t kMadeOnUnix = 3 << 8;
constexpr std::uint16_t kMethodDeflate = 8;

constexpr int kRawDeflateWindowBits = -15;
constexpr int kMemoryLevel = 8;

// Field offsets inside the local header.
constexpr std::size_t kLocalFlags = 6;
constexpr std::size_t kLocalTime = 10;
constexpr std::size_t kLocalCrc = 14;
constexpr std::size_t kLocalCompressedSize = 18;
constexpr std::size_t kLocalNameLength = 26;

void Put16(unsigned char* at, std::uint32_t value)
{
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

void Put32(unsigned char* at, std::uint64_t value)
{
    Put16(at, static_cast<std::uint32_t>(value & 0xFFFF));
    Put16(at + 2, static_cast<std::uint32_t>((value >> 16) & 0xFFFF));
}

std::uint32_t Get16(const unsigned char* at)
{
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8;
}

std::uint32_t Get32(const unsigned char* at)
{
    return Get16(at) | Get16(at + 2) << 16;
}

void PutSignature(unsigned char* at, unsigned char third, unsigned char fourth)
{
    at[0] = 'P';
    at[1] = 'K';
    at[2] = third;
    at[3] = fourth;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t extra;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (text.size() - i <= extra) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return false;
        }
        i += extra + 1;
    }
    return true;
}

}  // namespace

DosDateTime DosDateTimeFromFileTime(FileTime when)
{
    const std::time_t seconds = UnixTimeFromFileTime(when);
    std::tm parts{};
    if (!::gmtime_r(&seconds, &parts) || parts.tm_year < 80) return {0, (1 << 5) | 1};
    if (parts.tm_year > 207) return {(23 << 11) | (59 << 5) | 29, (127 << 9) | (12 << 5) | 31};
    return {static_cast<std::uint16_t>(parts.tm_hour << 11 | parts.tm_min << 5 | parts.tm_sec / 2),
            static_cast<std::uint16_t>((parts.tm_year - 80) << 9 | (parts.tm_mon + 1) << 5 | parts.tm_mday)};
}

std::uint16_t ZipNameFlags(std::string_view name)
{
    const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return (c & 0x80) == 0; });
    return !ascii && IsUtf8(name) ? kZipUtf8Flag : 0;
}

std::string ZipComment()
{
    return "Zip Folder by Vireo (" + std::string(kMakerUrl) + ")";
}

ZipWriter::ZipWriter(int archive) : archive_(archive) {}

ZipWriter::~ZipWriter()
{
    if (deflate_ready_) deflateEnd(&deflate_);
}

bool ZipWriter::PrepareDeflate()
{
    if (deflate_ready_) return deflateReset(&deflate_) == Z_OK;
    input_.reset(new (std::nothrow) unsigned char[kInputBytes]);
    output_.reset(new (std::nothrow) unsigned char[kOutputBytes]);
    if (!input_ || !output_) return false;
    deflate_ready_ = deflateInit2(&deflate_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kRawDeflateWindowBits,
                                  kMemoryLevel, Z_DEFAULT_STRATEGY) == Z_OK;
    return deflate_ready_;
}

bool ZipWriter::WriteAt(std::uint64_t offset, const void* bytes, std::size_t count)
{
    return WriteAllAt(archive_, bytes, count, offset);
}

void ZipWriter::Discard()
{
    // Only disk space is at stake: nothing beyond length() is ever read or counted.
    [[maybe_unused]] const int ignored = ::ftruncate(archive_, static_cast<off_t>(length_));
}

ZipAddResult ZipWriter::AddFile(int source, std::uint64_t size, FileTime last_write, std::string_view name,
                                const std::atomic<bool>& stop)
{
    if (full() || size > kZipMaxSize || name.size() > kMaxNameBytes) return ZipAddResult::LeftOut;
    if (!PrepareDeflate()) return ZipAddResult::Failed;

    unsigned char header[kLocalHeaderBytes] = {};
    PutSignature(header, 3, 4);
    Put16(header + 4, kVersion);
    Put16(header + kLocalFlags, ZipNameFlags(name));
    Put16(header + 8, kMethodDeflate);
    const DosDateTime written = DosDateTimeFromFileTime(last_write);
    Put16(header + kLocalTime, written.time);
    Put16(header + kLocalTime + 2, written.date);
    Put16(header + kLocalNameLength, static_cast<std::uint32_t>(name.size()));

    const std::uint64_t start = length_;
    const std::uint64_t data_start = start + kLocalHeaderBytes + name.size();
    ZipAddResult result = ZipAddResult::Failed;
    if (WriteAt(start, header, sizeof header) && WriteAt(start + sizeof header, name.data(), name.size())) {
        result = Compress(source, size, data_start, header, stop);
    }
    if (result == ZipAddResult::Added && !WriteAt(start, header, sizeof header)) {
        result = ZipAddResult::Failed;
    }
    if (result != ZipAddResult::Added) {
        Discard();
        return result;
    }
    length_ = data_start + Get32(header + kLocalCompressedSize);
    ++entries_;
    return result;
}

ZipAddResult ZipWriter::Compress(int source, std::uint64_t size, std::uint64_t data_start,
                                 unsigned char* header, const std::atomic<bool>& stop)
{
    std::uint32_t crc = crc32(0, nullptr, 0);
    std::uint64_t read = 0;
    std::uint64_t compressed = 0;
    bool ended = false;
    while (!ended) {
        if (stop.load(std::memory_order_relaxed)) return ZipAddResult::Failed;
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(kInputBytes, size - read));
        const ssize_t got = wanted > 0 ? ReadSome(source, input_.get(), wanted) : 0;
        if (got < 0) return ZipAddResult::Failed;
        const auto count = static_cast<uInt>(got);
        crc = crc32(crc, input_.get(), count);
        read += count;
        // A file that has shrunk since its size was taken ends where its data ends.
        const int flush = (count == 0 || read == size) ? Z_FINISH : Z_NO_FLUSH;
        deflate_.next_in = input_.get();
        deflate_.avail_in = count;
        do {
            deflate_.next_out = output_.get();
            deflate_.avail_out = kOutputBytes;
            const int status = deflate(&deflate_, flush);
            if (status == Z_STREAM_ERROR) return ZipAddResult::Failed;
            const std::size_t produced = kOutputBytes - deflate_.avail_out;
            if (data_start + compressed + produced > kZipMaxSize) return ZipAddResult::LeftOut;
            if (!WriteAt(data_start + compressed, output_.get(), produced)) return ZipAddResult::Failed;
            compressed += produced;
            ended = status == Z_STREAM_END;
        } while (flush == Z_FINISH ? !ended : deflate_.avail_out == 0);
    }
    Put32(header + kLocalCrc, crc);
    Put32(header + kLocalCompressedSize, compressed);
    Put32(header + kLocalCompressedSize + 4, read);
    return ZipAddResult::Added;
}

ZipStatus ZipWriter::Finish()
{
    const std::uint64_t directory_start = length_;
    std::uint64_t end = directory_start;
    std::uint32_t count = 0;
    std::vector<unsigned char> record(kCentralHeaderBytes + kMaxNameBytes);
    for (std::uint64_t offset = 0; offset < directory_start;) {
        unsigned char local[kLocalHeaderBytes];
        if (ReadAllAt(archive_, local, sizeof local, offset) != sizeof local || local[0] != 'P' ||
            local[1] != 'K' || local[2] != 3 || local[3] != 4) {
            return ZipStatus::DirectoryFailed;
        }
        const std::uint32_t name_length = Get16(local + kLocalNameLength);
        unsigned char* central = record.data();
        if (ReadAllAt(archive_, central + kCentralHeaderBytes, name_length, offset + sizeof local) !=
            name_length) {
            return ZipStatus::DirectoryFailed;
        }
        PutSignature(central, 1, 2);
        const bool utf8_name = (Get16(local + kLocalFlags) & kZipUtf8Flag) != 0;
        Put16(central + 4, kVersion | (utf8_name ? kMadeOnUnix : 0));
        // Version needed, flags, method, time, date, CRC, both sizes, name and extra lengths: as
        // the local header has them.
        std::copy(local + 4, local + kLocalHeaderBytes, central + 6);
        std::fill(central + 32, central + 42, 0);  // comment length, disk, internal and external attributes
        Put32(central + 42, offset);
        const std::size_t record_length = kCentralHeaderBytes + name_length;
        if (end + record_length - directory_start > kZipMaxSize || !WriteAt(end, central, record_length)) {
            return ZipStatus::DirectoryFailed;
        }
        end += record_length;
        ++count;
        offset += sizeof local + name_length + Get32(local + kLocalCompressedSize);
    }

    const std::string comment = ZipComment();
    unsigned char end_record[kEndRecordBytes] = {};
    PutSignature(end_record, 5, 6);
    Put16(end_record + 8, count);
    Put16(end_record + 10, count);
    Put32(end_record + 12, end - directory_start);
    Put32(end_record + 16, directory_start);
    Put16(end_record + 20, static_cast<std::uint32_t>(comment.size()));
    if (!WriteAt(end, end_record, sizeof end_record) ||
        !WriteAt(end + sizeof end_record, comment.data(), comment.size())) {
        return ZipStatus::EndRecordFailed;
    }
    length_ = end + sizeof end_record + comment.size();
    return ZipStatus::Complete;
}

}  // namespace vireo
