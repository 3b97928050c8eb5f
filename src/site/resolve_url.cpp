#include "site/resolve_url.h"

#include <optional>

#include "base/ascii_case.h"
#include "base/text_helpers.h"
#include "base/url_codec.h"
#include "platform/thumbnail_cache_path.h"
#include "settings/dynamic_files.h"
#include "settings/extension_settings.h"
#include "settings/settings.h"

namespace vireo {

namespace {

constexpr std::size_t kMaxFolderNameBytes = 48;
constexpr std::size_t kMaxRestBytes = 256;
constexpr std::string_view kSeparators = "/\\";

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

bool IsControlOrSpace(char c)
{
    return static_cast<unsigned char>(c) <= 0x20;
}

// True when some element of the path, with either separator, is "." or "..": such a path could
// lead out of the folder it names, so it names nothing at all.
bool HasDotElement(std::string_view text)
{
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of(kSeparators, start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view element = text.substr(start, end - start);
        if (element == "." || element == "..") return true;
        start = end + 1;
    }
    return false;
}

// Keeps the entry of a file that exists and is no directory as the home page's file.
void TakeHomeFile(ResolvedTarget& target, std::string_view lookup_path, std::string_view local_path)
{
    std::optional<FileEntry> entry = FindFileEntry(lookup_path);
    if (!entry || entry->directory) return;
    target.local_path = local_path;
    target.entry = std::move(*entry);
}

// The home page: an HTML file published as a dynamic file, an extension program (its name
// relative to the extension folder), or, when the configured one is not there, the generated page
// with an empty local path.
void ResolveHome(ResolvedTarget& target)
{
    target.kind = TargetKind::Home;
    target.found = true;
    std::optional<std::string> file = GetHomePageFile();
    if (!file) return;
    switch (GetHomePageType()) {
        case HomePageType::Generated:
            return;
        case HomePageType::HtmlFile:
            if (std::optional<DynamicFile> published = GetDynamicFile(*file)) {
                TakeHomeFile(target, published->path, published->path);
            }
            return;
        case HomePageType::ExtensionFile:
            if (std::optional<std::string> folder = GetExtensionFolder()) {
                std::string program = *folder + '/' + *file;
                NormalizePath(program);
                TakeHomeFile(target, program, *file);
            }
            return;
    }
}

void SetFound(ResolvedTarget& target, TargetKind kind, FileEntry entry)
{
    target.kind = kind;
    target.found = true;
    target.entity_tag = EntityTag(entry);
    target.entry = std::move(entry);
}

// A file, a directory or the thumbnail cache of a directory inside a virtual folder.
void ResolveInFolder(ResolvedTarget& target, const std::string& folder_path)
{
    target.title = GetFolderDescription(target.folder_name);
    std::string local = folder_path + '/' + target.rest;
    NormalizePath(local);
    const bool thumbnail = !target.rest.empty() && EqualsIgnoreCase(target.last_element, kThumbnailCacheName);
    if (thumbnail) local = ThumbnailCachePath(local.substr(0, local.rfind('/') + 1));
    target.local_path = local;
    std::optional<FileEntry> entry = OpenFileEntry(local, target.opened);
    if (!entry) return;
    const TargetKind kind = entry->directory ? TargetKind::Directory
                            : thumbnail      ? TargetKind::ThumbnailIndex
                                             : TargetKind::File;
    SetFound(target, kind, std::move(*entry));
}

// Classifies the first path element: the built-in applications first, then the virtual folders,
// then (for a path of one element) the dynamic files.
void ResolveElements(ResolvedTarget& target)
{
    const std::string& name = target.folder_name;
    if (EqualsIgnoreCase(name, kGuestbookName)) {
        target.kind = TargetKind::Guestbook;
        target.title = "You can drop a message here";
        target.found = true;
    } else if (EqualsIgnoreCase(name, kWebchatName)) {
        target.kind = TargetKind::Webchat;
        target.title = "The Chat Room";
        target.found = true;
    } else if (EqualsIgnoreCase(name, kWebCommunityName)) {
        target.kind = TargetKind::WebCommunity;
        target.title = "Web Community Members";
        target.found = true;
    } else if (EqualsIgnoreCase(name, kExtensionName)) {
        target.kind = TargetKind::Extension;
        target.found = true;
        // Without a valid extension folder there is nothing to join the rest to; the path stays
        // empty rather than pointing below the root.
        if (std::optional<std::string> folder = GetExtensionFolder()) {
            target.local_path = *folder + '/' + target.rest;
            NormalizePath(target.local_path);
        }
    } else if (std::optional<std::string> folder = GetFolderPath(name); folder && !folder->empty()) {
        ResolveInFolder(target, *folder);
    } else if (target.rest.empty()) {
        std::optional<DynamicFile> published = GetDynamicFile(name);
        if (!published) return;
        target.local_path = published->path;
        if (std::optional<FileEntry> entry = OpenFileEntry(published->path, target.opened)) {
            SetFound(target, TargetKind::DynamicFile, std::move(*entry));
        }
    }
}

}  // namespace

ResolvedTarget ResolveUrl(std::string_view path)
{
    ResolvedTarget target;
    if (path.empty()) return target;
    std::string text = UrlUnescape(path);
    // A decoded NUL would end the name early when the system reads it: another file than asked.
    if (text.empty() || text.find('\0') != std::string::npos) return target;

    std::size_t start = 0;
    while (start < text.size() && IsControlOrSpace(text[start])) ++start;
    text.erase(0, start);
    if (text.empty()) return target;
    std::size_t end = text.size();
    while (end > 1 && IsControlOrSpace(text[end - 1])) --end;
    while (end > 1 && IsSeparator(text[end - 1])) --end;
    text.erase(end);

    if (text == "/") {
        ResolveHome(target);
        return target;
    }
    if (HasDotElement(text)) return target;

    const std::size_t name_start = std::min(text.find_first_not_of(kSeparators), text.size());
    const std::size_t name_end = text.find_first_of(kSeparators, name_start);
    target.folder_name = text.substr(name_start, name_end - name_start);
    if (name_end != std::string::npos) {
        const std::size_t rest_start = text.find_first_not_of(kSeparators, name_end);
        if (rest_start != std::string::npos) target.rest = text.substr(rest_start);
    }
    const std::size_t last_separator = target.rest.find_last_of(kSeparators);
    target.last_element = target.rest.empty()                   ? target.folder_name
                          : last_separator == std::string::npos ? target.rest
                                                                : target.rest.substr(last_separator + 1);
    if (target.folder_name.size() > kMaxFolderNameBytes || target.rest.size() > kMaxRestBytes) return target;

    ResolveElements(target);
    return target;
}

}  // namespace vireo
