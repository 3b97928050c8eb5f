#pragma once

#include <pthread.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "content/zip/zip_writer.h"
#include "platform/scratch_file.h"

namespace vireo {

// Bounds of the walk through a folder, so that a download's memory stays fixed however large the
// folder is: directories nested more than kZipMaxDepth levels below the packed one are left out, and
// at most kZipMaxDirectories directories are entered in all.
inline constexpr int kZipMaxDepth = 128;
inline constexpr std::size_t kZipMaxDirectories = 65535;

// What the writer and the connection side of one download share while the writer works.
struct ZipProgress {
    // Set by the connection side once it wants no more; the writer gives up within one block.
    std::atomic<bool> stop{false};
    // Archive bytes that are final and may be sent: the entry being written lies beyond them.
    std::atomic<std::uint64_t> finished{0};
};

// The zip writer: writes the archive of `source` into `archive` from offset 0 and publishes its
// progress as it goes. A directory is packed depth first: first its own files in listing order, then,
// with `include_subfolders`, each sub-directory whose name does not begin with "." with everything
// below it (files and sub-directories in listing order, a sub-directory descended into where it is
// met). Names inside the archive are paths relative to `source` with "/" between components.
// Symbolic links are followed, but a directory already visited is never entered again, so a link
// loop ends. Entries that are neither files nor directories (devices, pipes, dangling links) are left
// out, and so is every file the format cannot hold (see ZipWriter::AddFile); the walk ends once the
// archive holds kZipMaxEntries entries. A directory that cannot be listed counts as empty; a file
// that cannot be opened or read ends the archive without its central directory (AddFailed). A single
// file as `source` is stored under its bare name.
ZipStatus WriteZipArchive(std::string_view source, int archive, bool include_subfolders,
                          ZipProgress& progress);

// A new temporary file for an archive. It is removed from the temporary folder at once and lives on
// only through its descriptor, so nothing is left behind however the download ends.
std::optional<ScratchFile> CreateZipArchiveFile();

// One download's job: the archive file, the writer thread that fills it at the weakest priority an
// ordinary thread can have (nice 19), and what the two threads share.
class ZipJob {
public:
    ZipJob(ScratchFile archive, std::string source, bool include_subfolders);
    // Stops the writer and waits for it to end.
    ~ZipJob();
    ZipJob(const ZipJob&) = delete;
    ZipJob& operator=(const ZipJob&) = delete;

    // Starts the writer thread; false when no thread could be had.
    bool Start();
    // The writer has returned: every archive byte there will be is readable.
    bool done() const { return done_.load(std::memory_order_acquire); }

    // Copies final archive bytes from `offset`, at most `capacity`: 0 when none are ready yet,
    // nothing when reading the file fails.
    std::optional<std::size_t> ReadFinished(std::uint64_t offset, char* buffer, std::size_t capacity);

private:
    static void* RunWriter(void* job);

    ScratchFile archive_;
    std::string source_;
    bool include_subfolders_;
    ZipProgress progress_;
    std::atomic<bool> done_{false};
    pthread_t thread_{};
    bool started_ = false;
};

}  // namespace vireo
