#include "picmill/cache_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>

#include "base/io.h"
#include "base/unique_fd.h"
#include "platform/thumbnail_cache_path.h"

namespace vireo {
namespace {

constexpr int kNameAttempts = 16;

std::random_device& RandomSource()
{
    thread_local std::random_device source;
    return source;
}

ThumbnailKey RandomKey()
{
    ThumbnailKey key;
    for (unsigned char& byte : key) byte = static_cast<unsigned char>(RandomSource()());
    return key;
}

// A file created beside the cache under a hidden name, removed unless it was renamed into place.
class PendingFile {
public:
    explicit PendingFile(const std::string& target) : target_(target)
    {
        const std::string folder = std::filesystem::path(target).parent_path().string();
        for (int attempt = 0; attempt < kNameAttempts && !fd_ && (attempt == 0 || errno == EEXIST);
             ++attempt) {
            char name[40];
            std::snprintf(name, sizeof name, "/.ruvededa-%08x", static_cast<unsigned>(RandomSource()()));
            path_ = folder + name;
            fd_.reset(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        }
    }
    ~PendingFile()
    {
        if (fd_) {
            const int saved = errno;
            ::unlink(path_.c_str());
            errno = saved;
        }
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    int fd() const { return fd_.get(); }
    // Makes the contents durable and puts the file in the cache's place.
    bool Commit()
    {
        if (::fsync(fd_.get()) != 0 || ::rename(path_.c_str(), target_.c_str()) != 0) return false;
        fd_.reset();
        return true;
    }

private:
    std::string target_;
    std::string path_;
    UniqueFd fd_;
};

bool WriteRecord(int fd, const Thumbnail& thumbnail)
{
    ThumbnailHead head{thumbnail.name, RandomKey(), static_cast<std::uint32_t>(thumbnail.image.size()),
                       thumbnail.width, thumbnail.height};
    std::string data = thumbnail.image;
    ScrambleThumbnail(data, head.key);
    const auto head_bytes = EncodeThumbnailHead(head);
    return WriteAll(fd, head_bytes.data(), head_bytes.size()) && WriteAll(fd, data.data(), data.size());
}

}  // namespace

bool WriteCacheFile(const std::string& path, const std::vector<Thumbnail>& thumbnails)
{
    PendingFile file(path);
    if (file.fd() < 0) return false;
    for (const Thumbnail& thumbnail : thumbnails) {
        if (!WriteRecord(file.fd(), thumbnail)) return false;
    }
    return file.Commit();
}

std::optional<std::string> WriteFolderCache(const std::string& directory,
                                            const std::vector<Thumbnail>& thumbnails)
{
    const std::string own = ThumbnailCacheFileIn(directory);
    if (WriteCacheFile(own, thumbnails)) return own;
    const int own_error = errno;
    // A disc that cannot be written keeps its cache in the user's folder, where the server looks.
    std::optional<std::string> folder = DiscThumbnailCacheFolder(directory);
    std::error_code error;
    if (!folder || (std::filesystem::create_directories(*folder, error), error)) {
        errno = own_error;
        return std::nullopt;
    }
    const std::string per_user = ThumbnailCacheFileIn(*folder);
    if (!WriteCacheFile(per_user, thumbnails)) return std::nullopt;
    return per_user;
}

}  // namespace vireo
