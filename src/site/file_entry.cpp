#include "site/file_entry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
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

// Whether the volume that holds what statx described (at `path`) answers.
bool OnReadyVolume(const struct statx& status, const char* path)
{
    return (status.stx_mask & STATX_MNT_ID) ? IsMountReady(status.stx_mnt_id) : IsVolumeReady(path);
}

FileEntry EntryFromStatx(const struct statx& status, std::string_view name)
{
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

constexpr unsigned kEntryFields = STATX_BASIC_STATS | STATX_BTIME | STATX_MNT_ID;

// The entry of `name` relative to the directory `at` (AT_FDCWD for a whole path), following links.
// With `whole_path`, the volume that holds it must answer too.
std::optional<FileEntry> StatEntry(int at, const char* path, std::string_view name, bool whole_path = false)
{
    struct statx status {};
    if (::statx(at, path, 0, kEntryFields, &status) != 0) return std::nullopt;
    if (whole_path && !OnReadyVolume(status, path)) return std::nullopt;
    return EntryFromStatx(status, name);
}

// The last element of a whole path, or the path itself when it ends in a separator (the root).
std::string_view EntryName(std::string_view whole)
{
    std::size_t slash = whole.find_last_of('/');
    return slash != std::string_view::npos && slash + 1 < whole.size() ? whole.substr(slash + 1) : whole;
}

}  // namespace

std::optional<FileEntry> FindFileEntry(std::string_view path)
{
    // The system would read a path with a NUL byte only up to it: a different file.
    if (path.find('\0') != std::string_view::npos) return std::nullopt;
    const std::string whole(path);
    return StatEntry(AT_FDCWD, whole.c_str(), EntryName(whole), true);
}

std::optional<FileEntry> OpenFileEntry(std::string_view path, UniqueFd& opened)
{
    if (path.find('\0') != std::string_view::npos) return std::nullopt;
    const std::string whole(path);
    // O_NONBLOCK keeps open() from waiting for a writer when the path is a FIFO.
    UniqueFd file(::open(whole.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file) {
        if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
        // There, but not to be read (no permission): described all the same, as before it is used.
        return StatEntry(AT_FDCWD, whole.c_str(), EntryName(whole), true);
    }
    struct statx status {};
    if (::statx(file.get(), "", AT_EMPTY_PATH, kEntryFields, &status) != 0) return std::nullopt;
    if (!OnReadyVolume(status, whole.c_str())) return std::nullopt;
    if (S_ISREG(status.stx_mode) || S_ISDIR(status.stx_mode)) opened = std::move(file);
    return EntryFromStatx(status, EntryName(whole));
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
