#include "content/upload/upload_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

#include "base/ascii_case.h"
#include "platform/thumbnail_cache_path.h"

namespace vireo {
namespace {

constexpr int kNameAttempts = 16;

// A hidden name that no visitor's file is likely to have; the caller retries when it exists.
std::string TemporaryName()
{
    thread_local std::mt19937_64 generator{std::random_device{}()};
    char name[40];
    std::snprintf(name, sizeof name, ".vireo-upload-%016llx", static_cast<unsigned long long>(generator()));
    return name;
}

}  // namespace

bool IsStorableName(std::string_view name)
{
    // The thumbnail cache is the owner's: a visitor must never replace it.
    return !name.empty() && name != "." && name != ".." && !EqualsIgnoreCase(name, kThumbnailCacheName) &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

UploadStore::UploadStore(const std::string& directory)
    : directory_(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
}

UploadStore::~UploadStore()
{
    Discard();
}

bool UploadStore::BeginFile(std::string_view base_name)
{
    Discard();
    if (!directory_ || !IsStorableName(base_name)) return false;
    for (int attempt = 0; attempt < kNameAttempts && !file_; ++attempt) {
        temporary_name_ = TemporaryName();
        file_.reset(::openat(directory_.get(), temporary_name_.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!file_ && errno != EEXIST) break;
    }
    if (!file_) {
        temporary_name_.clear();  // it may name another upload's file
        return false;
    }
    writer_.emplace(file_.get());
    final_name_ = base_name;
    return true;
}

bool UploadStore::Write(std::string_view bytes)
{
    return file_ && writer_->Write(bytes);
}

bool UploadStore::EndFile(bool complete)
{
    if (!file_ || !complete) {
        Discard();
        return false;
    }
    // A late write error (a full disk, a network file system) shows only when the file closes.
    const bool finished = writer_->Finish();
    writer_.reset();
    const bool closed = ::close(file_.release()) == 0;
    if (!finished || !closed ||
        ::renameat(directory_.get(), temporary_name_.c_str(), directory_.get(), final_name_.c_str()) != 0) {
        Discard();
        return false;
    }
    temporary_name_.clear();
    return true;
}

void UploadStore::Discard()
{
    writer_.reset();
    file_.reset();
    if (!temporary_name_.empty()) ::unlinkat(directory_.get(), temporary_name_.c_str(), 0);
    temporary_name_.clear();
}

}  // namespace vireo
