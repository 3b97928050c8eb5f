#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "site/file_entry.h"

namespace vireo {

// The texts the home and listing pages show for files. Each is plain text; the pages escape it.

// A byte count as the Size column shows it: below 1024 the number alone, then "1.5 KB", "2.0 MB",
// "3.0 GB" with one rounded decimal.
std::string FormatSize(std::uint64_t bytes);

// The Type column's text for a name (see TypeNameFor).
std::string GetTypeName(std::string_view name, bool directory);

// The title a file gives itself, shown in place of its name: the ID3 tag's title of an ".mp3" file,
// the <title> element of an ".htm" or ".html" file (at most 255 bytes, as written). Empty when the
// file has none or cannot be read.
std::string GetDisplayTitle(std::string_view path);
// Whether a file of this name can have such a title at all (by its extension), so a caller can
// leave out the path for the many files that cannot.
bool MayHaveDisplayTitle(std::string_view name);

// The Time column's text: a file time in local time as "YYYY-MM-DD HH:MM".
std::string FormatEntryTime(FileTime when);

}  // namespace vireo
