#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/unique_fd.h"
#include "platform/file_time.h"

namespace vireo {

// One directory entry as the listing pages and file delivery use it.
struct FileEntry {
    std::string name;  // the name as stored on disk (or a dynamic file's display name)
    bool directory = false;
    bool hidden = false;  // names beginning with "."
    std::uint64_t size = 0;
    FileTime creation = 0;
    FileTime last_access = 0;
    FileTime last_write = 0;
};

using FileList = std::vector<FileEntry>;

// The entry of one path, following symbolic links; nothing when it does not exist or its volume
// is not ready.
std::optional<FileEntry> FindFileEntry(std::string_view path);
// The same by opening the path for reading and asking about what was opened: `opened` receives the
// descriptor when it is a regular file or a directory, so whoever reads it reads what the entry
// describes, with one system call less than a look at the path and an open. A path that is there
// but cannot be opened (no permission) is described without a descriptor.
std::optional<FileEntry> OpenFileEntry(std::string_view path, UniqueFd& opened);

// Fills list with the entries of a directory: the directory's thumbnail index first when it has
// one, then every entry that is not hidden, leaving out thumbnail cache files and sub-directories
// beginning with "."; with files_only, no directories at all.
void ListDirectory(FileList& list, std::string_view directory, bool files_only);

// Adds the entry of a dynamic file's stored path under its display name (when not empty).
// False when the path does not exist.
bool AddDynamicFileEntry(FileList& list, std::string_view path, std::string_view display_name);

// Directories first, then files; each group in case-insensitive name order.
void SortByName(FileList& list);

// The quoted entity tag of an entry, from its size and last write time.
std::string EntityTag(const FileEntry& entry);

}  // namespace vireo
