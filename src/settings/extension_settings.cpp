#include "settings/extension_settings.h"

#include <filesystem>

#include "base/text_helpers.h"
#include "settings/settings.h"
#include "settings/store_values.h"

namespace vireo {

std::optional<std::string> GetExtensionFolder()
{
    if (!GetStoredExtensionEnabled()) return std::nullopt;
    std::optional<std::string> folder = GetStoredExtensionFolder();
    if (!folder) return std::nullopt;
    return UsableExtensionFolder(std::move(*folder));
}

std::optional<std::string> GetStoredExtensionFolder()
{
    return store::ReadText(kExtensionKey, "Folder", kPathCapacity);
}

bool GetStoredExtensionEnabled()
{
    return store::ReadFlag(kExtensionKey, "Enabled", false);
}

std::optional<std::string> UsableExtensionFolder(std::string folder)
{
    // A relative folder would depend on where the program was started.
    if (!folder.starts_with('/')) return std::nullopt;
    NormalizePath(folder);
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) return std::nullopt;
    return folder;
}

bool SetExtensionFolder(std::string_view folder)
{
    return store::WriteText(kExtensionKey, "Folder", folder);
}

bool SetExtensionEnabled(bool enabled)
{
    return store::WriteFlag(kExtensionKey, "Enabled", enabled);
}

}  // namespace vireo
