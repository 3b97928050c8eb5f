#include "content/upload/upload_file_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include "base/io.h"

namespace vireo {
namespace {

// How far ahead of the writes room is set aside: few calls for a big file, little room held for a
// client that announces a big body and then stops sending.
constexpr std::uint64_t kReserveStep = 8 * 1024 * 1024;

}  // namespace

bool FileWriter::Write(std::string_view bytes)
{
    const std::uint64_t end = written_ + bytes.size();
    if (end > reserved_) {
        // Without room set aside the writes still work, only slower, so a failure changes nothing.
        const std::uint64_t ahead = end + kReserveStep;
        ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(reserved_),
                    static_cast<off_t>(ahead - reserved_));
        reserved_ = ahead;
    }
    if (!WriteAll(fd_, bytes.data(), bytes.size())) return false;
    written_ = end;
    return true;
}

bool FileWriter::Finish()
{
    return reserved_ <= written_ || ::ftruncate(fd_, static_cast<off_t>(written_)) == 0;
}

}  // namespace vireo
