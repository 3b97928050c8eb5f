#include "ui/shown_url.h"

#include <algorithm>
#include <array>

#include "base/ascii_case.h"
#include "base/text_helpers.h"

namespace vireo {
namespace {

struct FixedEntry {
    FolderEntryKind kind;
    std::string_view text;
};

constexpr std::array kFixedEntries = {
    FixedEntry{FolderEntryKind::DynamicFiles, "Dynamic Files"},
    FixedEntry{FolderEntryKind::Webchat, "Webchat"},
    FixedEntry{FolderEntryKind::WebCommunity, "WebCommunity"},
    FixedEntry{FolderEntryKind::Extension, "Extension"},
};

}  // namespace

FolderEntryKind KindOfFolderEntry(std::string_view text)
{
    for (const FixedEntry& entry : kFixedEntries) {
        if (EqualsIgnoreCase(text, entry.text)) return entry.kind;
    }
    return FolderEntryKind::SharedFolder;
}

std::string_view FolderEntryText(FolderEntryKind kind)
{
    for (const FixedEntry& entry : kFixedEntries) {
        if (entry.kind == kind) return entry.text;
    }
    return {};
}

std::string FolderEntryUrl(const std::string& site, FolderEntryKind kind, std::string_view name,
                           const ShownServices& services)
{
    switch (kind) {
        case FolderEntryKind::SharedFolder:
            return site + std::string(name) + "/";
        case FolderEntryKind::Webchat:
            return services.chat_room_open ? site + "Webchat/" : site;
        case FolderEntryKind::WebCommunity:
            return services.web_community ? site + "WebCommunity/" : site;
        case FolderEntryKind::Extension:
            return services.extensions ? site + "Extension/" : site;
        case FolderEntryKind::DynamicFiles:
            break;
    }
    return site;
}

std::string FileEntryUrl(const std::string& site, const FileListEntry& file)
{
    switch (file.kind) {
        case FileListEntry::Kind::DynamicFile:
            return site + file.name;
        case FileListEntry::Kind::ExtensionFile:
            return site + "Extension/" + file.name;
        case FileListEntry::Kind::FolderFile:
            break;
    }
    std::string path = file.path;
    std::ranges::replace(path, '\\', '/');
    return site + file.folder + "/" + path + (file.directory ? "/" : "");
}

std::string WithHost(std::string_view url, std::string_view host)
{
    const std::size_t colon = url.find(':');
    if (colon == std::string_view::npos) return std::string(url);
    std::size_t start = colon + 1;
    while (start < url.size() && (url[start] == ':' || url[start] == '/')) ++start;
    const std::size_t end = std::min(url.find_first_of(":/", start), url.size());
    return std::string(url.substr(0, start)) + std::string(host) + std::string(url.substr(end));
}

std::string EscapeShownUrl(std::string_view url)
{
    std::string shown;
    shown.reserve(url.size());
    for (char c : url) {
        switch (c) {
            case ' ':
                shown += "%20";
                break;
            case '#':
                shown += "%23";
                break;
            case '%':
                shown += "%25";
                break;
            default:
                shown += c;
        }
    }
    return shown;
}

std::string ShownUrl(bool running, const Ipv4Endpoint& site_address, const UrlSelection& selection,
                     const ShownServices& services, const RouterChoice& router)
{
    if (!running) return {};
    const std::string site = FormatSiteUrl(site_address);
    std::string url = site;
    const bool folder_first = selection.focus == ListFocus::Folders && selection.folder_kind;
    if (selection.file && !folder_first) {
        url = FileEntryUrl(site, *selection.file);
    } else if (selection.folder_kind) {
        url = FolderEntryUrl(site, *selection.folder_kind, selection.folder_name, services);
    }
    if (router.enabled && router.checked && !router.address.empty()) url = WithHost(url, router.address);
    return EscapeShownUrl(url);
}

}  // namespace vireo
