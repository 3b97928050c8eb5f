#include "community/web_community/community_rules.h"

#include <algorithm>

#include "base/ascii_case.h"
#include "platform/content_types.h"
#include "settings/dynamic_files.h"
#include "settings/settings_folders.h"
#include "site/resolve_url.h"

namespace vireo {
namespace {

bool LengthWithin(std::string_view text, std::size_t min, std::size_t max)
{
    return text.size() >= min && text.size() <= max;
}

bool IsPicture(const DynamicFile& file)
{
    return ContentTypeFor(file.path.substr(file.path.rfind('/') + 1)).starts_with("image/");
}

}  // namespace

bool IsMemberIdLength(std::string_view id)
{
    return LengthWithin(id, kMinMemberIdLength, kMaxCommunityIdLength);
}

bool IsLoginIdLength(std::string_view id)
{
    return LengthWithin(id, kMinLoginIdLength, kMaxCommunityIdLength);
}

bool IsLoginUrlLength(std::string_view url)
{
    return LengthWithin(url, kMinLoginUrlLength, kMaxRecordText);
}

std::vector<PageChoice> MemberPageChoices()
{
    std::vector<PageChoice> choices{{"[Root]", ""}};
    auto add_folder = [&](std::string_view name) {
        choices.push_back({"[" + std::string(name) + "]", std::string(name) + "/"});
    };
    for (int index = 0;; ++index) {
        std::optional<std::string> folder = EnumFolderName(index);
        if (!folder) break;
        add_folder(*folder);
    }
    add_folder(kWebchatName);
    add_folder(kWebCommunityName);
    for (int index = 0;; ++index) {
        std::optional<std::pair<std::string, DynamicFile>> file = EnumDynamicFile(index);
        if (!file) break;
        choices.push_back({file->first, file->first});
    }
    return choices;
}

bool IsMemberPage(std::string_view path)
{
    return std::ranges::any_of(MemberPageChoices(),
                               [&](const PageChoice& choice) { return EqualsIgnoreCase(choice.path, path); });
}

std::vector<std::string> MemberIconChoices()
{
    std::vector<std::string> icons;
    for (int index = 0;; ++index) {
        std::optional<std::pair<std::string, DynamicFile>> file = EnumDynamicFile(index);
        if (!file) break;
        if (IsPicture(file->second)) icons.push_back(std::move(file->first));
    }
    std::ranges::stable_sort(
        icons, [](const std::string& a, const std::string& b) { return CompareIgnoreCase(a, b) < 0; });
    return icons;
}

bool IsMemberIcon(std::string_view icon)
{
    if (icon.empty()) return true;
    std::optional<DynamicFile> file = GetDynamicFile(icon);
    return file && IsPicture(*file);
}

std::string FormatLoginTime(const RecordTime& time)
{
    return time.IsZero() ? std::string() : FormatRecordTime(time);
}

}  // namespace vireo
