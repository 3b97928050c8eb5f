#include "settings/extension_settings.h"

#include <filesystem>

#include "base/text_helpers.h"
#include "settings/settings.h"
#include "settings/store_values.h"

namespace vireo {

std::optional<std::string> GetExtensionFolder()
{
    if (!store::ReadFlag(kExtensionKey, "Enabled", false)) return std::nullopt;
    std::optional<std::string> folder = store::ReadText(kExtensionKey, "Folder", kPathCapacity);
    // A relative folder would depend on where the program was started.
    if (!folder || !folder->starts_with('/')) return std::nullopt;
    NormalizePath(*folder);
    std::error_code error;
    if (!std::filesystem::is_directory(*folder, error)) return std::nullopt;
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
