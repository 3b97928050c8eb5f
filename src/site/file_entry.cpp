#include "site/file_entry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "base/ascii_case.h"
#include "base/text_helpers.h"
#include "base/unique_dir.h"
#include "platform/thumbnail_cache_path.h"
#include "platform/volumes.h"

namespace vireo {

namespace {

FileTime FromStatxTime(const statx_timestamp& when)
{
    return FileTimeFromTimespec(
        timespec{static_cast<std::time_t>(when.tv_sec), static_cast<long>(when.tv_nsec)});
}

// The entry of `name` relative to the directory `at` (AT_FDCWD for a whole path), following links.
// With `whole_path`, the volume that holds it must answer too.
std::optional<FileEntry> StatEntry(int at, const char* path, std::string_view name, bool whole_path = false)
{
    struct statx status {};
    if (::statx(at, path, 0, STATX_BASIC_STATS | STATX_BTIME | STATX_MNT_ID, &status) != 0)
        return std::nullopt;
    if (whole_path &&
        !((status.stx_mask & STATX_MNT_ID) ? IsMountReady(status.stx_mnt_id) : IsVolumeReady(path))) {
        return std::nullopt;
    }
    FileEntry entry;
    entry.name = name;
    entry.directory = S_ISDIR(status.stx_mode);
    entry.hidden = name.starts_with('.');
    entry.size = entry.directory ? 0 : status.stx_size;
    entry.last_write = FromStatxTime(status.stx_mtime);
    entry.last_access = FromStatxTime(status.stx_atime);
    // File systems that keep no birth time report the last write instead, as copies made without
    // one would.
    entry.creation = (status.stx_mask & STATX_BTIME) ? FromStatxTime(status.stx_btime) : entry.last_write;
    return entry;
}

}  // namespace

std::optional<FileEntry> FindFileEntry(std::string_view path)
{
    // The system would read a path with a NUL byte only up to it: a different file.
    if (path.find('\0') != std::string_view::npos) return std::nullopt;
    const std::string whole(path);
    std::size_t slash = whole.find_last_of('/');
    std::string_view name = std::string_view(whole);
    // A path ending in a separator (the root) is named by itself.
    if (slash != std::string::npos && slash + 1 < whole.size()) name = name.substr(slash + 1);
    return StatEntry(AT_FDCWD, whole.c_str(), name, true);
}

void ListDirectory(FileList& list, std::string_view directory, bool files_only)
{
    list.clear();
    if (std::optional<FileEntry> cache = FindFileEntry(ThumbnailCachePath(directory));
        cache && !cache->directory && !cache->hidden) {
        cache->name = kThumbnailCacheName;
        list.push_back(std::move(*cache));
    }

    std::string path(directory);
    NormalizePath(path);
    UniqueDir dir(::opendir(path.c_str()));
    if (!dir) return;
    while (const dirent* item = ::readdir(dir.get())) {
        const std::string_view name = item->d_name;
        // Hidden entries, "." and ".." among them.
        if (name.starts_with('.')) continue;
        if (EqualsIgnoreCase(name, kThumbnailCacheName)) continue;
        std::optional<FileEntry> entry = StatEntry(::dirfd(dir.get()), item->d_name, name);
        // A link whose target is gone cannot be served, so it is not offered either.
        if (!entry || (files_only && entry->directory)) continue;
        list.push_back(std::move(*entry));
    }
}

bool AddDynamicFileEntry(FileList& list, std::string_view path, std::string_view display_name)
{
    std::optional<FileEntry> entry = FindFileEntry(path);
    if (!entry) return false;
    if (!display_name.empty()) entry->name = display_name;
    if (!(entry->directory && entry->name.starts_with('.'))) list.push_back(std::move(*entry));
    return true;
}

void SortByName(FileList& list)
{
    // Exact byte order breaks ties, so names that differ only in case always list the same way.
    std::sort(list.begin(), list.end(), [](const FileEntry& a, const FileEntry& b) {
        if (a.directory != b.directory) return a.directory;
        const int order = CompareIgnoreCase(a.name, b.name);
        return order != 0 ? order < 0 : a.name < b.name;
    });
}

std::string EntityTag(const FileEntry& entry)
{
    char tag[80];
    std::snprintf(tag, sizeof tag, "\"%lx%lx-%lx-%lx\"", static_cast<unsigned long>(entry.size & 0xFFFFFFFFu),
                  static_cast<unsigned long>(entry.size >> 32),
                  static_cast<unsigned long>(entry.last_write & 0xFFFFFFFFu),
                  static_cast<unsigned long>(entry.last_write >> 32));
    return tag;
}

}  // namespace vireo
