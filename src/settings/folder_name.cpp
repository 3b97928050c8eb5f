#include "settings/folder_name.h"

#include <algorithm>
#include <array>

#include "base/ascii_case.h"
#include "base/text_helpers.h"

namespace vireo {

namespace {

constexpr std::string_view kForbiddenCharacters = "#%&*/:<>?@\\|\"";
constexpr std::array<std::string_view, 4> kReservedNames = {"Guestbook", "Webchat", "WebCommunity",
                                                            "Extension"};
}  // namespace

bool IsBuiltInPageName(std::string_view name)
{
    return std::ranges::any_of(kReservedNames,
                               [name](std::string_view page) { return EqualsIgnoreCase(name, page); });
}

std::optional<std::string> CheckFolderName(std::string_view name)
{
    std::string trimmed(name);
    if (TrimText(trimmed) == 0) return "the folder name is empty";
    if (std::size_t bad = name.find_first_of(kForbiddenCharacters); bad != std::string_view::npos) {
        return std::string("the folder name may not contain the character ") + name[bad];
    }
    // The URL resolver never follows "." or ".." (they would lead out of the folder), so a folder of
    // that name could never be reached.
    if (name == "." || name == "..")
        return "the folder name \"" + std::string(name) + "\" can never be reached";
    if (IsBuiltInPageName(name)) {
        return "the folder name \"" + std::string(name) + "\" is reserved for a built-in page";
    }
    if (name.size() > kMaxFolderNameLength) {
        return "the folder name is longer than " + std::to_string(kMaxFolderNameLength) + " bytes";
    }
    return std::nullopt;
}

}  // namespace vireo
