#pragma once

#include <chrono>
#include <expected>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "http/tls_context.h"

namespace vireo {

struct TlsFiles {
    std::filesystem::path certificate;
    std::filesystem::path key;
};

// The server's TLS context, made again when its certificate or key file changes, so a renewed
// certificate needs no restart. The files are looked at no more than once a second; connections
// already running keep the context they began with.
class TlsContextWatch {
public:
    using FileSource = std::function<std::expected<TlsFiles, std::string>()>;
    explicit TlsContextWatch(FileSource files) : files_(std::move(files)) {}

    // The context for a new connection; nullptr while none could be loaded.
    std::shared_ptr<const TlsContext> Current();

private:
    struct Stamp {
        std::filesystem::path certificate;
        std::filesystem::path key;
        std::filesystem::file_time_type certificate_time;
        std::filesystem::file_time_type key_time;
        std::uintmax_t certificate_size = 0;
        std::uintmax_t key_size = 0;
        bool operator==(const Stamp&) const = default;
    };
    static std::optional<Stamp> StampOf(const TlsFiles& files);

    FileSource files_;
    std::mutex checking_;  // held by the one caller that looks at the files; others use what is there
    std::mutex lock_;      // guards the fields below, never held across I/O
    std::shared_ptr<const TlsContext> current_;
    std::optional<Stamp> stamp_;
    std::chrono::steady_clock::time_point next_check_{};
};

}  // namespace vireo
