#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/unique_fd.h"
#include "platform/thumbnail_cache_format.h"

namespace vireo {

// One version of a cache file: the generator renames a new file into place, and anything that
// rewrote it in place would change its size or time.
struct CacheFileVersion {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modified_ns = 0;
    bool operator==(const CacheFileVersion&) const = default;
};

// Reads a thumbnail cache one record at a time. Every request opens its own reader, and the cache
// generator replaces the file by renaming a new one over it, so a reader sees one whole cache.
class ThumbnailCacheReader {
public:
    // Closes any cache open before; false when the file cannot be opened.
    bool Open(const std::string& path);
    // The next record's head, its data skipped; nothing at the end or when the head is cut short.
    std::optional<ThumbnailHead> Next();
    // From the start, the unscrambled image of the first record named like the bare name (what
    // follows the last "/" or "\"), ASCII case ignored; nothing when there is none, or its data is
    // cut short or longer than any thumbnail.
    std::optional<std::string> Find(std::string_view name);
    // The version of the open file.
    const CacheFileVersion& version() const { return version_; }

private:
    UniqueFd file_;
    CacheFileVersion version_;
    std::uint64_t size_ = 0;
    std::uint64_t offset_ = 0;
};

}  // namespace vireo
