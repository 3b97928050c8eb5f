#include "platform/scratch_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <utility>

namespace vireo {

namespace {

std::filesystem::path TemporaryFolder()
{
    const char* configured = std::getenv("TMPDIR");
    return configured && configured[0] != '\0' ? std::filesystem::path(configured) : "/tmp";
}

}  // namespace

ScratchFile::ScratchFile(UniqueFd fd, std::filesystem::path path, bool delete_on_close)
    : fd_(std::move(fd)), path_(std::move(path)), delete_on_close_(delete_on_close)
{
}

ScratchFile::~ScratchFile()
{
    Remove();
}

ScratchFile::ScratchFile(ScratchFile&& other) noexcept
    : fd_(std::move(other.fd_)),
      path_(std::move(other.path_)),
      delete_on_close_(std::exchange(other.delete_on_close_, false)),
      discarded_(std::exchange(other.discarded_, 0))
{
}

ScratchFile& ScratchFile::operator=(ScratchFile&& other) noexcept
{
    if (this != &other) {
        Remove();
        fd_ = std::move(other.fd_);
        path_ = std::move(other.path_);
        delete_on_close_ = std::exchange(other.delete_on_close_, false);
        discarded_ = std::exchange(other.discarded_, 0);
    }
    return *this;
}

void ScratchFile::Discard(std::uint64_t offset)
{
    // Freed in steps of this many bytes, so that reading through the file costs few extra calls.
    constexpr std::uint64_t kStep = 1024 * 1024;
    const std::uint64_t end = offset - offset % kStep;
    if (end <= discarded_) return;
    // Without support for holes the bytes just stay until the file is removed.
    ::fallocate(fd_.get(), FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(discarded_),
                static_cast<off_t>(end - discarded_));
    discarded_ = end;
}

void ScratchFile::Remove()
{
    fd_.reset();
    if (delete_on_close_) ::unlink(path_.c_str());
    delete_on_close_ = false;
}

std::optional<ScratchFile> CreateScratchFile(bool delete_on_close)
{
    constexpr std::string_view kSuffix = ".tmp";
    std::string name = (TemporaryFolder() / "xyzXXXXXX").string();
    name += kSuffix;
    UniqueFd fd(::mkostemps(name.data(), static_cast<int>(kSuffix.size()), O_CLOEXEC));
    if (!fd) return std::nullopt;
    return ScratchFile(std::move(fd), std::filesystem::path(name), delete_on_close);
}

}  // namespace vireo
