#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <string>

#include "base/io.h"

namespace vireo {

std::optional<RegularFile> OpenRegularFile(std::string_view path)
{
    return OpenRegularFileAt(AT_FDCWD, path);
}

std::optional<RegularFile> OpenRegularFileAt(int directory, std::string_view path)
{
    if (path.empty()) return std::nullopt;
    const std::string name(path);
    // O_NONBLOCK keeps open() from waiting for a writer when the path is a FIFO; it changes nothing
    // for reads of a regular file.
    RegularFile file{OpenAt(directory, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    struct stat status {};
    if (!file.fd || ::fstat(file.fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    file.size = static_cast<std::uint64_t>(status.st_size);
    file.last_write = status.st_mtim;
    return file;
}

}  // namespace vireo
