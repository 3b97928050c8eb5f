#include "platform/thumbnail_cache_reader.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <array>

#include "base/ascii_case.h"
#include "base/io.h"

namespace vireo {

bool ThumbnailCacheReader::Open(const std::string& path)
{
    file_ = OpenAt(AT_FDCWD, path.c_str(), O_RDONLY | O_CLOEXEC);
    version_ = {};
    size_ = 0;
    offset_ = 0;
    struct stat status {};
    if (!file_ || ::fstat(file_.get(), &status) != 0) {
        file_.reset();
        return false;
    }
    size_ = static_cast<std::uint64_t>(status.st_size);
    version_ = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino), size_,
                std::int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec};
    return true;
}

std::optional<ThumbnailHead> ThumbnailCacheReader::Next()
{
    if (!file_ || size_ - std::min(offset_, size_) < kThumbnailHeadBytes) return std::nullopt;
    std::array<unsigned char, kThumbnailHeadBytes> bytes;
    if (ReadAllAt(file_.get(), bytes.data(), bytes.size(), offset_) != bytes.size()) return std::nullopt;
    ThumbnailHead head = DecodeThumbnailHead(bytes);
    offset_ += kThumbnailHeadBytes + std::uint64_t{head.length};
    return head;
}

std::optional<std::string> ThumbnailCacheReader::Find(std::string_view name)
{
    const std::size_t separator = name.find_last_of("/\\");
    if (separator != std::string_view::npos) name.remove_prefix(separator + 1);
    offset_ = 0;
    while (std::optional<ThumbnailHead> head = Next()) {
        if (!EqualsIgnoreCase(head->name, name)) continue;
        const std::uint64_t start = offset_ - head->length;
        if (head->length > kMaxThumbnailBytes || offset_ > size_) return std::nullopt;
        std::string data(head->length, '\0');
        if (ReadAllAt(file_.get(), data.data(), data.size(), start) != data.size()) return std::nullopt;
        ScrambleThumbnail(data, head->key);
        return data;
    }
    return std::nullopt;
}

}  // namespace vireo
