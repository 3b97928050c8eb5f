#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "settings/settings_folders.h"

namespace vireo::testing {

// The folder an upload test posts into, `home`/shared, and `home`/tmp as the temporary folder for
// the spooled bodies while this object lives (TMPDIR is put back afterwards).
class UploadFolder {
public:
    explicit UploadFolder(const std::filesystem::path& home) : scratch(home / "tmp"), target(home / "shared")
    {
        if (const char* old = std::getenv("TMPDIR")) old_tmpdir_ = old;
        std::filesystem::create_directories(scratch);
        ::setenv("TMPDIR", scratch.c_str(), 1);
        std::filesystem::create_directories(target);
    }
    ~UploadFolder()
    {
        if (old_tmpdir_) {
            ::setenv("TMPDIR", old_tmpdir_->c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
    }
    UploadFolder(const UploadFolder&) = delete;
    UploadFolder& operator=(const UploadFolder&) = delete;

    // Shares the target as the virtual folder "photos", with posting allowed.
    bool Share() const
    {
        FolderSettings photos;
        photos.path = target.string();
        photos.can_post_files = true;
        return WriteFolder("photos", photos);
    }

    const std::filesystem::path scratch;
    const std::filesystem::path target;

private:
    std::optional<std::string> old_tmpdir_;
};

}  // namespace vireo::testing
