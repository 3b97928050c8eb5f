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

// "Folder" and "Enabled" as they are stored, whether or not they make a folder in use.
std::optional<std::string> GetStoredExtensionFolder();
bool GetStoredExtensionEnabled();
// The folder in the program's path form when it can serve as the extension folder: an absolute
// path of an existing directory. Extensions may be switched on only while the stored folder is one.
std::optional<std::string> UsableExtensionFolder(std::string folder);

}  // namespace vireo
