#include "platform/thumbnail_cache_path.h"

#include <sys/stat.h>
#include <sys/statfs.h>

#include <cstdio>
#include <filesystem>

#include "base/ascii_case.h"
#include "base/crc32.h"
#include "base/text_helpers.h"
#include "platform/volumes.h"
#include "platform/xdg_paths.h"

namespace vireo {

namespace {

bool Exists(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0;
}

std::optional<CdRomVolume> ReadCdRomVolume(const MountEntry& mount)
{
    struct statfs status {};
    if (::statfs(mount.mount_point.c_str(), &status) != 0) return std::nullopt;
    CdRomVolume volume;
    volume.label = std::filesystem::path(mount.mount_point).filename().string();
    volume.file_system = mount.type;
    volume.serial = static_cast<std::uint32_t>(status.f_fsid.__val[0]);
    volume.max_name_length = static_cast<std::uint32_t>(status.f_namelen);
    return volume;
}

// The directory's path below the mount point that holds it, links resolved as the mount lookup
// resolves them.
std::string PathBelow(std::string_view directory, const MountEntry& mount)
{
    std::error_code error;
    std::string resolved =
        std::filesystem::weakly_canonical(std::filesystem::path(directory), error).string();
    if (error) resolved = directory;
    if (mount.mount_point != "/" && resolved.starts_with(mount.mount_point)) {
        resolved.erase(0, mount.mount_point.size());
    }
    return resolved;
}

// The cache file in a folder that exists; the server never creates one. The deepest level being a
// directory means every level above it exists too.
std::optional<std::string> CacheInExistingFolder(const std::optional<std::string>& folder)
{
    std::error_code error;
    if (!folder || !std::filesystem::is_directory(*folder, error)) return std::nullopt;
    return ThumbnailCacheFileIn(*folder);
}

}  // namespace

std::string ThumbnailCacheFileIn(std::string_view folder)
{
    std::string path = std::string(folder) + '/' + std::string(kThumbnailCacheName);
    NormalizePath(path);
    return path;
}

std::string VolumeKey(const CdRomVolume& volume)
{
    std::string key = volume.label + '-' + volume.file_system + '-' + std::to_string(volume.serial) + '-' +
                      std::to_string(volume.max_name_length) + '-' + std::to_string(volume.flags);
    for (char& c : key) c = ToLowerAscii(c);
    return key;
}

std::optional<std::string> PerUserThumbnailCacheFolder(std::string_view volume_key, std::string_view below)
{
    std::optional<std::filesystem::path> data = GetDataFolder();
    if (!data) return std::nullopt;
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08X", static_cast<unsigned>(Crc32(volume_key)));
    std::string folder = data->string() + "/RUVEDEDA/" + crc + '/' + std::string(below);
    NormalizePath(folder);
    return folder;
}

std::optional<std::string> PerUserThumbnailCachePath(std::string_view volume_key, std::string_view below)
{
    return CacheInExistingFolder(PerUserThumbnailCacheFolder(volume_key, below));
}

std::optional<std::string> DiscThumbnailCacheFolder(std::string_view directory)
{
    // The folder lies on the mount its cache file would.
    std::optional<MountEntry> mount = FindMount(directory);
    if (!mount || !IsOpticalDisc(*mount)) return std::nullopt;
    std::optional<CdRomVolume> volume = ReadCdRomVolume(*mount);
    if (!volume) return std::nullopt;
    return PerUserThumbnailCacheFolder(VolumeKey(*volume), PathBelow(directory, *mount));
}

std::string ThumbnailCachePath(std::string_view directory)
{
    std::string own = ThumbnailCacheFileIn(directory);
    if (Exists(own)) return own;
    // Only a disc keeps its cache elsewhere, and only once its folders exist.
    return CacheInExistingFolder(DiscThumbnailCacheFolder(directory)).value_or(own);
}

}  // namespace vireo
