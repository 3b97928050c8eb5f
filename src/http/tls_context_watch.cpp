#include "http/tls_context_watch.h"

namespace vireo {
namespace {

constexpr auto kCheckInterval = std::chrono::seconds(1);

}  // namespace

std::optional<TlsContextWatch::Stamp> TlsContextWatch::StampOf(const TlsFiles& files)
{
    std::error_code error;
    Stamp stamp{files.certificate, files.key, {}, {}, 0, 0};
    stamp.certificate_time = std::filesystem::last_write_time(files.certificate, error);
    if (error) return std::nullopt;
    stamp.key_time = std::filesystem::last_write_time(files.key, error);
    if (error) return std::nullopt;
    stamp.certificate_size = std::filesystem::file_size(files.certificate, error);
    if (error) return std::nullopt;
    stamp.key_size = std::filesystem::file_size(files.key, error);
    if (error) return std::nullopt;
    return stamp;
}

std::shared_ptr<const TlsContext> TlsContextWatch::Current()
{
    const auto now = std::chrono::steady_clock::now();
    {
        std::lock_guard guard(lock_);
        if (now < next_check_) return current_;
    }
    // One connection looks at the files; those that come meanwhile take the context there is.
    std::unique_lock checking(checking_, std::try_to_lock);
    if (!checking.owns_lock()) {
        std::lock_guard guard(lock_);
        return current_;
    }
    std::optional<Stamp> known;
    {
        std::lock_guard guard(lock_);
        known = stamp_;
    }
    const std::expected<TlsFiles, std::string> files = files_();
    std::optional<Stamp> stamp;
    std::shared_ptr<const TlsContext> loaded;
    if (files) {
        stamp = StampOf(*files);
        if (stamp && stamp != known) {
            auto context = TlsContext::Load(files->certificate, files->key);
            if (context) loaded = *std::move(context);
        }
    }
    std::lock_guard guard(lock_);
    next_check_ = now + kCheckInterval;
    // A file being rewritten may be half there: the last good context serves until it is whole,
    // and the files are looked at again a second later.
    if (loaded) {
        current_ = std::move(loaded);
        stamp_ = stamp;
    }
    return current_;
}

}  // namespace vireo
