#include "community/guestbook/message_file.h"

#include <fcntl.h>

#include <cerrno>

#include "base/text_helpers.h"

namespace vireo {
namespace {

// Creates the file only when no entry of that name exists: -1 with errno EEXIST when one does.
int CreateExclusive(const std::string& path)
{
    for (;;) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EINTR) return fd;
    }
}

}  // namespace

std::string MessageFileName(const Ipv4Address& sender, int counter)
{
    std::string name = FormatAddress(sender);
    if (counter > 1) name += "(" + std::to_string(counter) + ")";
    return name + ".txt";
}

std::optional<UniqueFd> CreateMessageFile(std::string_view folder, const Ipv4Address& sender)
{
    for (int counter = 1; counter <= kLastMessageCounter; ++counter) {
        std::string path = std::string(folder) + "/" + MessageFileName(sender, counter);
        NormalizePath(path);
        const int fd = CreateExclusive(path);
        if (fd >= 0) return UniqueFd(fd);
        if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace vireo
