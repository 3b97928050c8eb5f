#include "settings/dynamic_file_rules.h"

#include "settings/folder_name.h"

namespace vireo {

std::optional<std::string> CheckDisplayName(std::string_view name)
{
    if (name.empty()) return "the display name is empty";
    if (name.find_first_of("/\\") != std::string_view::npos)
        return "the display name may not contain / or \\";
    if (name == "." || name == "..") return "the display name may not be \".\" or \"..\"";
    if (IsBuiltInPageName(name)) {
        return "the display name \"" + std::string(name) + "\" is reserved for a built-in page";
    }
    if (name.size() > kMaxDisplayNameLength) {
        return "the display name \"" + std::string(name) + "\" is longer than " +
               std::to_string(kMaxDisplayNameLength) + " bytes";
    }
    return std::nullopt;
}

}  // namespace vireo
