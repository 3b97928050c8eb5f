#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string_view>

#include "base/unique_fd.h"

namespace vireo {

// A regular file opened for reading, with what fstat said about the open descriptor: everything
// decided about the file is decided from what was opened, never from an earlier look at the path.
struct RegularFile {
    UniqueFd fd;
    std::uint64_t size = 0;
    timespec last_write{};
};

// Opens a path for reading. Nothing when it cannot be opened or is not a regular file (a directory,
// a FIFO, a device). Never blocks on a FIFO; reads of the regular file behave as usual.
std::optional<RegularFile> OpenRegularFile(std::string_view path);
// The same for a path taken from the open folder `directory` (AT_FDCWD: the working folder).
std::optional<RegularFile> OpenRegularFileAt(int directory, std::string_view path);

}  // namespace vireo
