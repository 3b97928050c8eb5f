#pragma once

#include <dirent.h>

#include <memory>

namespace vireo {

struct DirCloser {
    void operator()(DIR* directory) const { ::closedir(directory); }
};

// Owns one open directory stream and closes it when it goes out of scope.
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

}  // namespace vireo
