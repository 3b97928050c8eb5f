#include "content/zip/zip_job.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <set>
#include <utility>

#include "base/io.h"
#include "base/unique_fd.h"

namespace vireo {
namespace {

constexpr std::size_t kListingBytes = 8192;
constexpr int kLowestPriority = 19;  // the highest nice value

// Reads a directory's names through a fixed buffer of its own ("." and ".." left out), so an open
// directory costs the same wherever it lies (the C library sizes its buffers by the file system's
// block size, up to 1 MB per directory on network shares).
class DirectoryReader {
public:
    explicit DirectoryReader(int fd) : fd_(fd), buffer_(new (std::nothrow) char[kListingBytes]) {}

    // The next name, valid until the next call; nothing at the end, on a read error or without memory.
    const char* Next()
    {
        while (buffer_) {
            if (used_ >= filled_) {
                const ssize_t got = ::getdents64(fd_, buffer_.get(), kListingBytes);
                if (got <= 0) return nullptr;
                filled_ = static_cast<std::size_t>(got);
                used_ = 0;
            }
            const auto* entry = reinterpret_cast<const dirent64*>(buffer_.get() + used_);
            used_ += entry->d_reclen;
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
                return entry->d_name;
            }
        }
        return nullptr;
    }

    // Back to the first name.
    bool Rewind()
    {
        used_ = filled_ = 0;
        return ::lseek(fd_, 0, SEEK_SET) == 0;
    }

private:
    int fd_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    std::size_t filled_ = 0;
};

enum class EntryKind { Directory, File, Other };

// What an entry of the directory `at` is, following symbolic links.
EntryKind KindOf(int at, const char* name)
{
    struct stat status {};
    if (::fstatat(at, name, &status, 0) != 0) return EntryKind::Other;
    if (S_ISDIR(status.st_mode)) return EntryKind::Directory;
    return S_ISREG(status.st_mode) ? EntryKind::File : EntryKind::Other;
}

// O_NONBLOCK keeps open() from waiting for a writer should the entry have become a FIFO since it was
// looked at; it changes nothing for regular files and directories.
UniqueFd OpenEntry(int at, const char* name)
{
    return OpenAt(at, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
}

// The depth-first walk through one folder.
class Packer {
public:
    Packer(ZipWriter& writer, ZipProgress& progress, bool include_subfolders)
        : writer_(writer), progress_(progress), include_subfolders_(include_subfolders)
    {
    }

    // Each of these is false when adding a file failed, which ends the archive.

    // The packed directory: its files first, then its sub-directories.
    bool PackTop(int directory)
    {
        if (!Enter(directory)) return true;
        DirectoryReader reader(directory);
        while (const char* name = reader.Next()) {
            if (writer_.full()) return true;
            if (KindOf(directory, name) == EntryKind::File && !AddFile(OpenEntry(directory, name), name)) {
                return false;
            }
        }
        if (!include_subfolders_ || !reader.Rewind()) return true;
        while (const char* name = reader.Next()) {
            if (writer_.full()) return true;
            if (name[0] != '.' && KindOf(directory, name) == EntryKind::Directory &&
                !PackNested(directory, name, std::string(name) + "/", 1)) {
                return false;
            }
        }
        return true;
    }

    // Stores one open file under `archive_name`.
    bool AddFile(UniqueFd file, std::string_view archive_name)
    {
        struct stat status {};
        if (!file || ::fstat(file.get(), &status) != 0) return false;
        // Replaced by something that is no file since it was listed: not a file to pack.
        if (!S_ISREG(status.st_mode)) return true;
        const ZipAddResult added =
            writer_.AddFile(file.get(), static_cast<std::uint64_t>(status.st_size),
                            FileTimeFromTimespec(status.st_mtim), archive_name, progress_.stop);
        if (added == ZipAddResult::Failed) return false;
        progress_.finished.store(writer_.length(), std::memory_order_release);
        return true;
    }

private:
    // A sub-directory at `depth` levels below the packed one, whose entries are named `prefix` + name.
    bool PackNested(int parent, const char* name, const std::string& prefix, int depth)
    {
        UniqueFd directory = OpenEntry(parent, name);
        if (!directory || !Enter(directory.get())) return true;
        DirectoryReader reader(directory.get());
        while (const char* entry = reader.Next()) {
            if (writer_.full()) return true;
            switch (KindOf(directory.get(), entry)) {
                case EntryKind::Directory:
                    if (entry[0] != '.' && depth < kZipMaxDepth &&
                        !PackNested(directory.get(), entry, prefix + entry + "/", depth + 1)) {
                        return false;
                    }
                    break;
                case EntryKind::File:
                    if (!AddFile(OpenEntry(directory.get(), entry), prefix + entry)) return false;
                    break;
                case EntryKind::Other:
                    break;
            }
        }
        return true;
    }

    // Records a directory as visited; false when it was visited before (a link brought the walk back)
    // or the walk has entered as many directories as it may.
    bool Enter(int directory)
    {
        struct stat status {};
        if (::fstat(directory, &status) != 0 || !S_ISDIR(status.st_mode)) return false;
        if (visited_.size() >= kZipMaxDirectories) return false;
        return visited_.emplace(status.st_dev, status.st_ino).second;
    }

    ZipWriter& writer_;
    ZipProgress& progress_;
    bool include_subfolders_;
    std::set<std::pair<dev_t, ino_t>> visited_;
};

// Gives the writer the weakest priority an ordinary thread can have: it gives way to busy threads of
// normal priority (which get some 98% of a shared processor), so a download does not take a core
// away from other work, while on an idle processor it runs at full speed. (SCHED_IDLE would go lower
// still, but the scheduler then treats the writer's processor as idle and moves other work onto it:
// measured on a busy machine, downloads took twice as long as at nice 19.)
void LowerPriority()
{
    // Raising one's own nice value needs no privilege; should it fail all the same, the writer merely
    // runs at the priority it was started with.
    [[maybe_unused]] const int ignored =
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kLowestPriority);
}

}  // namespace

ZipStatus WriteZipArchive(std::string_view source, int archive, bool include_subfolders,
                          ZipProgress& progress)
{
    const std::string path(source);
    UniqueFd opened = OpenEntry(AT_FDCWD, path.c_str());
    struct stat status {};
    if (!opened || ::fstat(opened.get(), &status) != 0) return ZipStatus::SourceMissing;

    ZipWriter writer(archive);
    Packer packer(writer, progress, include_subfolders);
    bool packed;
    if (S_ISDIR(status.st_mode)) {
        packed = packer.PackTop(opened.get());
    } else if (S_ISREG(status.st_mode)) {
        std::string_view bare = source.substr(source.rfind('/') + 1);
        packed = packer.AddFile(std::move(opened), bare);
    } else {
        return ZipStatus::SourceMissing;
    }
    if (!packed) return ZipStatus::AddFailed;

    const ZipStatus finished = writer.Finish();
    if (finished == ZipStatus::Complete) progress.finished.store(writer.length(), std::memory_order_release);
    return finished;
}

std::optional<ScratchFile> CreateZipArchiveFile()
{
    std::optional<ScratchFile> file = CreateScratchFile(false);
    if (file && ::unlink(file->path().c_str()) != 0) return std::nullopt;
    return file;
}

ZipJob::ZipJob(ScratchFile archive, std::string source, bool include_subfolders)
    : archive_(std::move(archive)), source_(std::move(source)), include_subfolders_(include_subfolders)
{
}

ZipJob::~ZipJob()
{
    if (!started_) return;
    progress_.stop.store(true);
    ::pthread_join(thread_, nullptr);
}

bool ZipJob::Start()
{
    if (started_) return true;
    started_ = ::pthread_create(&thread_, nullptr, &ZipJob::RunWriter, this) == 0;
    return started_;
}

void* ZipJob::RunWriter(void* job)
{
    auto& self = *static_cast<ZipJob*>(job);
    LowerPriority();
    // How the writer ended is not the visitor's business: an archive whose writer failed simply ends
    // where it stopped.
    WriteZipArchive(self.source_, self.archive_.fd(), self.include_subfolders_, self.progress_);
    self.done_.store(true, std::memory_order_release);
    return nullptr;
}

std::optional<std::size_t> ZipJob::ReadFinished(std::uint64_t offset, char* buffer, std::size_t capacity)
{
    const std::uint64_t ready = progress_.finished.load(std::memory_order_acquire);
    if (offset >= ready || capacity == 0) return 0;
    const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, ready - offset));
    const ssize_t got = ReadSomeAt(archive_.fd(), buffer, wanted, offset);
    if (got <= 0) return std::nullopt;
    return static_cast<std::size_t>(got);
}

}  // namespace vireo
