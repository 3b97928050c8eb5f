// ResolveUrl over any request path, against a private settings store that shares two folders,
// publishes a dynamic file as the home page and has an extension folder. Whatever the path, what
// it resolves to lies inside the folder it names. The input is the path as a request line holds
// it (percent-encoded, without the query).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "base/ascii_case.h"
#include "fuzz_support.h"
#include "settings/dynamic_files.h"
#include "settings/extension_settings.h"
#include "settings/settings.h"
#include "settings/settings_folders.h"
#include "site/resolve_url.h"

namespace vireo::fuzz {
namespace {

namespace fs = std::filesystem;

struct Site {
    std::string photos;     // shared as "photos", with sub-folders
    std::string documents;  // shared as "My Documents"
    std::string report;     // published as "report.txt", also the home page
    std::string extensions;
};

const Site& TheSite()
{
    static const Site site = [] {
        const fs::path home = PrivateHome();
        Site made{(home / "share").string(), (home / "documents").string(),
                  (home / "report-2024.txt").string(), (home / "ext").string()};
        WriteFile(home / "share/a.txt", "a");
        WriteFile(home / "share/\xc3\xa9t\xc3\xa9.txt", "summer");
        WriteFile(home / "share/sub/deep.txt", "deep");
        WriteFile(home / "share/sub/.hidden", "hidden");
        WriteFile(home / "share/sub dir/x y.txt", "spaces");
        WriteFile(home / "share/ruvededa.$$$", "thumbnails");
        WriteFile(home / "documents/letter.txt", "letter");
        WriteFile(home / "secret.txt", "outside every folder");
        WriteFile(made.report, "report");
        WriteFile(home / "ext/prog.cgi", "program");

        FolderSettings photos;
        photos.path = made.photos;
        photos.description = "Holiday pictures";
        photos.can_browse_subfolders = true;
        FolderSettings documents;
        documents.path = made.documents;
        DynamicFile report;
        report.path = made.report;
        if (!WriteFolder("photos", photos) || !WriteFolder("My Documents", documents) ||
            !SetDynamicFile("report.txt", report) || !SetExtensionFolder(made.extensions) ||
            !SetExtensionEnabled(true) ||
            !SetHomePageType(static_cast<std::uint32_t>(HomePageType::HtmlFile)) ||
            !SetHomePageFile("report.txt")) {
            std::abort();
        }
        return made;
    }();
    return site;
}

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

bool HasDotElement(std::string_view path)
{
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        const std::string_view element = path.substr(start, end - start);
        if (element == "." || element == "..") return true;
        start = end + 1;
    }
    return false;
}

// The path is the root or below it, both as written and once links and dots are resolved.
bool IsInside(const std::string& path, const std::string& root)
{
    if (path != root && !(path.starts_with(root) && path[root.size()] == '/')) return false;
    if (HasDotElement(std::string_view(path).substr(root.size()))) return false;
    std::error_code error;
    const std::string real = fs::weakly_canonical(path, error).string();
    const std::string real_root = fs::weakly_canonical(root, error).string();
    return !error && (real == real_root || real.starts_with(real_root + "/"));
}

}  // namespace
}  // namespace vireo::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vireo::fuzz::TheSite();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo;
    using namespace vireo::fuzz;
    const Site& site = TheSite();
    const ResolvedTarget target = ResolveUrl(AsText(data, size));

    Require(target.found == (target.kind != TargetKind::Unresolved));
    Require(target.folder_name.find_first_of("/\\") == std::string::npos);
    Require(target.folder_name.find('\0') == std::string::npos &&
            target.rest.find('\0') == std::string::npos);
    Require(target.rest.empty() || !IsSeparator(target.rest.front()));
    Require(target.entity_tag.empty() || (target.entity_tag.size() >= 2 && target.entity_tag.front() == '"' &&
                                          target.entity_tag.back() == '"'));
    if (target.found && target.kind != TargetKind::Home) Require(!HasDotElement(target.rest));

    switch (target.kind) {
        case TargetKind::Unresolved:
            break;
        case TargetKind::Home:
            Require(target.local_path.empty() || target.local_path == site.report);
            break;
        case TargetKind::Directory:
        case TargetKind::File: {
            const std::string root =
                EqualsIgnoreCase(target.folder_name, "photos") ? site.photos : site.documents;
            Require(IsInside(target.local_path, root));
            Require(target.kind == TargetKind::Directory || fs::is_regular_file(target.local_path));
            break;
        }
        case TargetKind::ThumbnailIndex:
            Require(target.local_path.ends_with("ruvededa.$$$"));
            break;
        case TargetKind::DynamicFile:
            Require(target.rest.empty() && target.local_path == site.report);
            break;
        case TargetKind::Extension:
            Require(target.local_path.empty() || IsInside(target.local_path, site.extensions));
            break;
        case TargetKind::Guestbook:
        case TargetKind::Webchat:
        case TargetKind::WebCommunity:
            Require(target.local_path.empty());
            break;
    }
    return 0;
}
