#pragma once

// Where a directory's thumbnail cache lies. The server only looks; the thumbnail generator writes
// the caches, beside the pictures or, for a disc that cannot be written, in the user's data folder.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vireo {

// The file name of a directory's thumbnail cache.
inline constexpr std::string_view kThumbnailCacheName = "ruvededa.$$$";

// What names a CD-ROM among the user's per-disc cache folders. Linux offers no volume
// information of the Windows kind, so the parts come from the mount table and statfs.
struct CdRomVolume {
    std::string label;                  // the mount point's last element: desktop mounters name it after
                                        // the disc's label (/media/alice/HOLIDAY_2023)
    std::string file_system;            // the mount table's type: "iso9660" or "udf"
    std::uint32_t serial = 0;           // the low word of the file-system id that statfs reports
    std::uint32_t max_name_length = 0;  // statfs's longest name
    std::uint32_t flags = 0;            // no Linux counterpart: always 0
};

// "label-filesystem-serial-maxname-flags", the numbers in decimal, with A to Z lowered:
// "holiday_2023-iso9660-2816-255-0".
std::string VolumeKey(const CdRomVolume& volume);

// The path of the thumbnail cache file inside a folder: "<folder>/ruvededa.$$$", normalised.
std::string ThumbnailCacheFileIn(std::string_view folder);

// "$XDG_DATA_HOME/RUVEDEDA/XXXXXXXX/<below>", XXXXXXXX being the CRC-32 of the volume key in
// upper-case hexadecimal and `below` the directory's path below its mount point (empty for the
// disc's root): the folder of a disc directory's per-user cache, which may not exist yet.
std::optional<std::string> PerUserThumbnailCacheFolder(std::string_view volume_key, std::string_view below);
// That folder's "ruvededa.$$$"; nothing unless every folder level exists already: the server never
// creates one.
std::optional<std::string> PerUserThumbnailCachePath(std::string_view volume_key, std::string_view below);
// For a directory on a CD-ROM, the folder of its per-user cache (which may not exist yet); nothing
// for a directory anywhere else.
std::optional<std::string> DiscThumbnailCacheFolder(std::string_view directory);

// The thumbnail cache of a directory: its own "ruvededa.$$$" when that exists; else, on a CD-ROM,
// the per-user copy when its folders exist; else the directory's own file, whose opening fails.
std::string ThumbnailCachePath(std::string_view directory);

}  // namespace vireo
