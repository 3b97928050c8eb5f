#include "platform/volumes.h"

#include <sys/statfs.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace vireo {

namespace {

// The mount table writes space, tab, newline and backslash as octal escapes ("\040").
std::string DecodeMountField(std::string_view field)
{
    auto octal = [](char c) { return c >= '0' && c <= '7'; };
    std::string decoded;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && octal(field[i + 1]) && octal(field[i + 2]) &&
            octal(field[i + 3])) {
            decoded += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                         (field[i + 3] - '0'));
            i += 3;
        } else {
            decoded += field[i];
        }
    }
    return decoded;
}

bool Contains(std::string_view path, std::string_view mount_point)
{
    if (mount_point == "/") return true;
    return path.starts_with(mount_point) &&
           (path.size() == mount_point.size() || path[mount_point.size()] == '/');
}

bool IsRemovableDevice(const std::string& source)
{
    if (!source.starts_with("/dev/")) return false;
    std::error_code error;
    std::filesystem::path device = std::filesystem::canonical(source, error);
    if (error) return false;
    std::filesystem::path block = std::filesystem::canonical("/sys/class/block" / device.filename(), error);
    if (error) return false;
    // A partition's removable flag sits on the disk it belongs to, one folder up.
    if (std::filesystem::exists(block / "partition", error)) block = block.parent_path();
    std::ifstream flag(block / "removable");
    char removable = '0';
    flag >> removable;
    return removable == '1';
}

DriveKind KindOf(const MountEntry& mount)
{
    static constexpr std::array<std::string_view, 17> kRemoteTypes = {
        "nfs",        "nfs4",  "cifs",        "smb3",      "smbfs",          "ncpfs",
        "9p",         "afs",   "ceph",        "glusterfs", "lustre",         "davfs",
        "fuse.sshfs", "sshfs", "fuse.rclone", "fuse.s3fs", "fuse.gvfsd-fuse"};
    static constexpr std::array<std::string_view, 2> kOpticalTypes = {"iso9660", "udf"};
    for (std::string_view type : kRemoteTypes) {
        if (mount.type == type) return DriveKind::Remote;
    }
    for (std::string_view type : kOpticalTypes) {
        if (mount.type == type) return DriveKind::CdRom;
    }
    return IsRemovableDevice(mount.source) ? DriveKind::Removable : DriveKind::Fixed;
}

}  // namespace

std::optional<MountEntry> FindMount(std::string_view path)
{
    if (path.empty() || path[0] != '/') return std::nullopt;
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(std::filesystem::path(path), error);
    const std::string target = error ? std::string(path) : resolved.string();

    std::ifstream table("/proc/self/mounts");
    std::optional<MountEntry> best;
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string source, mount_point, type;
        if (!(fields >> source >> mount_point >> type)) continue;
        mount_point = DecodeMountField(mount_point);
        if (!Contains(target, mount_point)) continue;
        if (!best || mount_point.size() >= best->mount_point.size()) {
            best = MountEntry{DecodeMountField(source), std::move(mount_point), std::move(type)};
        }
    }
    return best;
}

DriveKind GetDriveKind(std::string_view path)
{
    std::optional<MountEntry> mount = FindMount(path);
    return mount ? KindOf(*mount) : DriveKind::Unknown;
}

bool IsVolumeReady(std::string_view path)
{
    std::optional<MountEntry> mount = FindMount(path);
    if (!mount) return false;
    struct statfs status {};
    return ::statfs(mount->mount_point.c_str(), &status) == 0 &&
           ::access(mount->mount_point.c_str(), R_OK) == 0;
}

}  // namespace vireo
