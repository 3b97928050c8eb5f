#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vireo {

// What kind of storage holds a path, numbered as the drive types the program's folder rules were
// written against (a CD-ROM is 5, a local disk 3).
enum class DriveKind {
    Unknown = 0,    // a relative path, or no mount holds it
    Removable = 2,  // a disk whose device says it is removable (USB sticks, card readers)
    Fixed = 3,      // any other local file system
    Remote = 4,     // network file systems: nfs, cifs, sshfs...
    CdRom = 5,      // iso9660 and udf
};

// One line of the mount table.
struct MountEntry {
    std::string source;       // the device or remote share
    std::string mount_point;  // where it is mounted
    std::string type;         // the file-system type ("ext4", "iso9660"...)
};

// The mount that holds an absolute path: the longest mount point that contains it (symbolic links
// resolved as far as the path exists); of equal ones the last mounted, which hides the others.
std::optional<MountEntry> FindMount(std::string_view path);

// True for the file systems of CDs and DVDs (iso9660, udf).
bool IsOpticalDisc(const MountEntry& mount);

// The kind of the file system mounted where an absolute path lies (the mount point that is the
// longest prefix of the path, symbolic links resolved as far as the path exists).
DriveKind GetDriveKind(std::string_view path);

// True when the mount point that holds the absolute path answers: it can be queried and read.
bool IsVolumeReady(std::string_view path);
// The same for the mount the system numbers `mount_id` (statx's stx_mnt_id), asked once and kept
// until the mount table changes.
bool IsMountReady(std::uint64_t mount_id);

}  // namespace vireo
