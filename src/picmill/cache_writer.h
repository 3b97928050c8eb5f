#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/thumbnail_cache_format.h"

namespace vireo {

// One picture's thumbnail as it goes into the cache: the image bytes (GIF or BMP) unscrambled.
struct Thumbnail {
    std::string name;  // the picture's bare file name
    std::string image;
    std::uint32_t width = 0;  // of the picture as shown
    std::uint32_t height = 0;
};

// Writes the records to `path` whole or not at all: into a new file beside it that is then renamed
// over it, so a reader sees the old cache or the new one, never half of one. Each record gets
// eight random key bytes. False (errno set, nothing left behind) when the folder cannot take it.
bool WriteCacheFile(const std::string& path, const std::vector<Thumbnail>& thumbnails);

// Writes a directory's cache where the server looks for it: inside the directory, or for a disc
// that cannot be written, in the user's per-disc folder (created as needed). The path written, or
// nothing (errno set).
std::optional<std::string> WriteFolderCache(const std::string& directory,
                                            const std::vector<Thumbnail>& thumbnails);

}  // namespace vireo
