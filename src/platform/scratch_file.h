#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "base/unique_fd.h"

namespace vireo {

// A new, uniquely named file in the temporary folder ($TMPDIR, else /tmp), open for reading and
// writing. The file is removed when the object is destroyed if it was created to be deleted on
// close; descriptors duplicated from it keep the contents readable until they close too.
class ScratchFile {
public:
    ScratchFile(UniqueFd fd, std::filesystem::path path, bool delete_on_close);
    ~ScratchFile();
    ScratchFile(ScratchFile&& other) noexcept;
    ScratchFile& operator=(ScratchFile&& other) noexcept;
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    int fd() const { return fd_.get(); }
    // Frees the storage of the file's first `offset` bytes, in whole steps of 1 MiB, where the file
    // system can; the file keeps its size and reads there give zero bytes.
    void Discard(std::uint64_t offset);
    const std::filesystem::path& path() const { return path_; }

private:
    void Remove();

    UniqueFd fd_;
    std::filesystem::path path_;
    bool delete_on_close_ = false;
    std::uint64_t discarded_ = 0;
};

// Creates the file with a name that starts with "xyz"; nothing when it cannot be created.
std::optional<ScratchFile> CreateScratchFile(bool delete_on_close);

}  // namespace vireo
