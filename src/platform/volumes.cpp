#include "platform/volumes.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <sstream>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "base/io.h"
#include "base/unique_fd.h"

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
    for (std::string_view type : kRemoteTypes) {
        if (mount.type == type) return DriveKind::Remote;
    }
    if (IsOpticalDisc(mount)) return DriveKind::CdRom;
    return IsRemovableDevice(mount.source) ? DriveKind::Removable : DriveKind::Fixed;
}

// A mount with the number the system knows it by.
struct NumberedMount {
    std::uint64_t id;
    MountEntry entry;
};
using MountList = std::vector<NumberedMount>;

// Lines of /proc/self/mountinfo: "36 35 98:0 /root /mount/point options [tags...] - type source ...".
MountList ReadMountList()
{
    MountList mounts;
    std::ifstream table("/proc/self/mountinfo");
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::uint64_t id = 0;
        std::string parent, device, root, mount_point, word;
        if (!(fields >> id >> parent >> device >> root >> mount_point)) continue;
        while (fields >> word && word != "-") {
        }
        std::string type, source;
        if (!(fields >> type >> source)) continue;
        mounts.push_back({id, {DecodeMountField(source), DecodeMountField(mount_point), std::move(type)}});
    }
    return mounts;
}

// Whether a mount answers: it can be queried and read.
bool Answers(const MountEntry& mount)
{
    struct statfs status {};
    return ::statfs(mount.mount_point.c_str(), &status) == 0 &&
           ::access(mount.mount_point.c_str(), R_OK) == 0;
}

// The mount table, read once and again only when the system reports that it changed: every file a
// visitor asks for is checked against it, and reading it anew each time cost more than the rest of
// the request. The system marks a change by waking a poll on an open mount table with POLLPRI; a
// thread of the table's own waits in that poll and reads the table anew, so a lookup makes no
// system call. Whether a mount answers is asked once per mount and kept until the table changes.
class MountTable {
public:
    static MountTable& Instance()
    {
        // Never destroyed: detached connection threads may still read it while the program exits.
        static MountTable& table = *new MountTable;
        return table;
    }

    std::shared_ptr<const MountList> Current()
    {
        // Without a watch (no /proc) the table is read every time, which is always correct, only
        // slower.
        if (!watch_) Reload();
        std::shared_lock lock(mutex_);
        return mounts_;
    }

    bool IsReady(std::uint64_t mount_id)
    {
        // Without a watch nothing tells when an answer goes stale, so none is kept.
        if (watch_) {
            std::shared_lock lock(mutex_);
            if (auto known = ready_.find(mount_id); known != ready_.end()) return known->second;
        }
        const std::shared_ptr<const MountList> mounts = Current();
        const auto mount = std::find_if(mounts->begin(), mounts->end(),
                                        [mount_id](const NumberedMount& m) { return m.id == mount_id; });
        const bool ready = mount != mounts->end() && Answers(mount->entry);
        if (watch_) {
            std::unique_lock lock(mutex_);
            // Kept only while the table it was asked of is the current one.
            if (mounts == mounts_) ready_.insert_or_assign(mount_id, ready);
        }
        return ready;
    }

private:
    MountTable() : watch_(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC))
    {
        // Takes the pending mark, if any, so the table is not read twice at the start.
        pollfd watch{.fd = watch_.get(), .events = POLLPRI, .revents = 0};
        if (watch_) ::poll(&watch, 1, 0);
        mounts_ = std::make_shared<const MountList>(ReadMountList());
        if (watch_) watcher_ = std::thread(&MountTable::WatchForChanges, this);
    }

    void Reload()
    {
        // One reload at a time, so an older reading can never replace a newer one; readers keep
        // using the previous list meanwhile.
        std::lock_guard reloading(reload_mutex_);
        auto fresh = std::make_shared<const MountList>(ReadMountList());
        std::unique_lock lock(mutex_);
        mounts_ = std::move(fresh);
        ready_.clear();
    }

    void WatchForChanges()
    {
        for (;;) {
            pollfd watch{.fd = watch_.get(), .events = POLLPRI, .revents = 0};
            if (PollRetrying(&watch, 1, -1) < 0 || (watch.revents & POLLNVAL)) return;
            Reload();
        }
    }

    UniqueFd watch_;
    std::mutex reload_mutex_;
    std::shared_mutex mutex_;
    std::shared_ptr<const MountList> mounts_;
    std::unordered_map<std::uint64_t, bool> ready_;
    std::thread watcher_;  // never joined, as the table lives as long as the program
};

}  // namespace

std::optional<MountEntry> FindMount(std::string_view path)
{
    if (path.empty() || path[0] != '/') return std::nullopt;
    std::shared_ptr<const MountList> mounts = MountTable::Instance().Current();

    // For a path that exists the system names the mount itself, links followed, in one call
    // (without waiting on a network file system).
    const std::string text(path);
    struct statx status {};
    if (::statx(AT_FDCWD, text.c_str(), AT_STATX_DONT_SYNC, STATX_MNT_ID, &status) == 0 &&
        (status.stx_mask & STATX_MNT_ID) != 0) {
        for (const NumberedMount& mount : *mounts) {
            if (mount.id == status.stx_mnt_id) return mount.entry;
        }
    }

    std::error_code error;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(std::filesystem::path(path), error);
    const std::string target = error ? text : resolved.string();
    const MountEntry* best = nullptr;
    for (const NumberedMount& mount : *mounts) {
        if (!Contains(target, mount.entry.mount_point)) continue;
        if (!best || mount.entry.mount_point.size() >= best->mount_point.size()) best = &mount.entry;
    }
    if (!best) return std::nullopt;
    return *best;
}

bool IsOpticalDisc(const MountEntry& mount)
{
    return mount.type == "iso9660" || mount.type == "udf";
}

DriveKind GetDriveKind(std::string_view path)
{
    std::optional<MountEntry> mount = FindMount(path);
    return mount ? KindOf(*mount) : DriveKind::Unknown;
}

bool IsVolumeReady(std::string_view path)
{
    std::optional<MountEntry> mount = FindMount(path);
    return mount && Answers(*mount);
}

bool IsMountReady(std::uint64_t mount_id)
{
    return MountTable::Instance().IsReady(mount_id);
}

}  // namespace vireo
