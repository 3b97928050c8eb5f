#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace vireo {

// A single file published directly below the site root under a display name.
struct DynamicFile {
    std::string path;         // the published file
    std::string pattern;      // file-name pattern for use_newest ("" = the path's extension)
    bool real_time = false;   // stream what another program appends, live
    bool use_newest = false;  // serve the newest file matching pattern in path's directory
};

// The stored record: 260 bytes of path, 260 of pattern, then real time, use newest and a reserved
// word, each 32 bits little-endian: 532 bytes.
inline constexpr std::size_t kDynamicFileRecordSize = 532;
std::array<std::uint8_t, kDynamicFileRecordSize> EncodeDynamicFile(const DynamicFile& file);
// Reads a record; a value of any other length is the older form, a bare zero-terminated path.
DynamicFile DecodeDynamicFile(std::span<const std::uint8_t> bytes);

// The index-th dynamic file (display name and record), in the store's order; nothing past the end.
std::optional<std::pair<std::string, DynamicFile>> EnumDynamicFile(int index);
std::optional<DynamicFile> GetDynamicFile(std::string_view name);
bool SetDynamicFile(std::string_view name, const DynamicFile& file);
bool DeleteDynamicFile(std::string_view name);
// Stores the entry under `name` after deleting the entry `old_name` (an edit that may rename it),
// in one transaction; an empty `old_name` adds an entry.
bool ReplaceDynamicFile(std::string_view old_name, std::string_view name, const DynamicFile& file);
// The display name AddDynamicFile would give a file now; nothing for a path without a file name
// or when every candidate is too long for a display name.
std::optional<std::string> UniqueDynamicFileName(std::string_view path);
// Publishes a file under a display name no other dynamic file uses: its own name, else
// "stem[1].ext", "stem[2].ext", ...
std::optional<std::pair<std::string, DynamicFile>> AddDynamicFile(std::string_view path);
bool IsRealTimeFile(std::string_view name);
// The file a real-time entry serves now (the newest match when use_newest is set); nothing when
// there is no such entry, it is not real-time, or the file is missing or a directory.
std::optional<std::string> GetActualDynamicFile(std::string_view name);

}  // namespace vireo
