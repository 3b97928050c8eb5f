#pragma once

// The extension feature's settings: the folder that holds the site owner's programs and whether
// extensions are on. Read from the store on every call, like every other setting.

#include <optional>
#include <string>
#include <string_view>

namespace vireo {

inline constexpr std::string_view kExtensionKey = "Software\\QUILLMARK\\Vireo\\Extension";

// The extension folder in use: "Folder" in the program's path form, but only while "Enabled" is
// nonzero and the folder is an existing directory given by its absolute path.
std::optional<std::string> GetExtensionFolder();
bool SetExtensionFolder(std::string_view folder);
bool SetExtensionEnabled(bool enabled);

}  // namespace vireo
