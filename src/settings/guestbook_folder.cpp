#include "settings/guestbook_folder.h"

#include <sys/stat.h>

#include <filesystem>

#include "base/text_helpers.h"
#include "platform/volumes.h"
#include "platform/xdg_paths.h"
#include "settings/settings.h"

namespace vireo {

namespace {

std::optional<std::string> DefaultFolder()
{
    std::optional<std::filesystem::path> documents = GetDocumentsFolder();
    if (!documents) return std::nullopt;
    std::string folder = documents->string() + "/VireoGuestbook";
    NormalizePath(folder);
    return folder;
}

// Makes each folder above the last element of the path; failures show in the test that follows.
void CreateParents(const std::string& folder)
{
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        ::mkdir(folder.substr(0, slash).c_str(), 0777);
    }
}

}  // namespace

std::optional<std::string> GetGuestbookFolder(bool create)
{
    std::string folder = GetGuestbookDir().value_or("");
    // Messages stay on this computer's own disks: a network share or a removable disk does not count.
    if (!folder.empty() && GetDriveKind(folder) != DriveKind::Fixed) folder.clear();
    if (folder.empty()) {
        std::optional<std::string> fallback = DefaultFolder();
        if (!fallback) return std::nullopt;
        folder = *fallback;
    }
    NormalizePath(folder);
    if (!create) return folder;

    CreateParents(folder);
    std::error_code error;
    if (std::filesystem::is_directory(folder, error)) return folder;

    std::optional<std::string> fallback = DefaultFolder();
    if (!fallback) return std::nullopt;
    ::mkdir(fallback->c_str(), 0777);
    SetGuestbookDir(*fallback);
    return fallback;
}

}  // namespace vireo
