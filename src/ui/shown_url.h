#pragma once

// The address the main window shows for what is selected: the site, a folder, a file. Kept apart
// from the widgets, so the rules are plain functions.

#include <optional>
#include <string>
#include <string_view>

#include "base/ipv4.h"

namespace vireo {

// The entries of the folder list: four fixed ones first, then the shared folders.
enum class FolderEntryKind { DynamicFiles, Webchat, WebCommunity, Extension, SharedFolder };

// The kind of a folder-list entry from its text (ASCII case ignored): any text that is not one of
// the fixed entries' names is a shared folder.
FolderEntryKind KindOfFolderEntry(std::string_view text);
// The text of a fixed entry; empty for a shared folder.
std::string_view FolderEntryText(FolderEntryKind kind);

// What a running site offers beside its folders; an entry of a service that is off shows the
// site's own address.
struct ShownServices {
    bool chat_room_open = false;
    bool web_community = false;  // this server is a community host or member
    bool extensions = false;
};

// An entry of the file list, with what its address is made of.
struct FileListEntry {
    enum class Kind { DynamicFile, ExtensionFile, FolderFile };
    Kind kind = Kind::FolderFile;
    std::string name;    // a dynamic file's display name, an extension file's name
    std::string folder;  // a shared folder's name
    std::string path;    // below the folder, "\" or "/" between its elements
    bool directory = false;
};

// Which of the two lists has the keyboard focus.
enum class ListFocus { Neither, Folders, Files };

// What is selected and where the focus is, as the window sees it.
struct UrlSelection {
    std::optional<FolderEntryKind> folder_kind;  // nothing: no folder-list entry is selected
    std::string folder_name;
    std::optional<FileListEntry> file;  // nothing: no file-list entry is selected
    ListFocus focus = ListFocus::Neither;
};

// The router's public address, when the user chose to show it instead of the site's.
struct RouterChoice {
    bool enabled = false;
    bool checked = false;
    std::string address;
};

// The address a folder-list entry opens.
std::string FolderEntryUrl(const std::string& site, FolderEntryKind kind, std::string_view name,
                           const ShownServices& services);
// The address a file-list entry opens.
std::string FileEntryUrl(const std::string& site, const FileListEntry& file);
// The address with its host replaced by `host`, port and path kept.
std::string WithHost(std::string_view url, std::string_view host);
// Space, "#" and "%" as %20, %23 and %25, as the address box shows them.
std::string EscapeShownUrl(std::string_view url);

// The URL box's text: empty while the server does not run; else the selection of the list that has
// the focus, or else the file list's selection, the folder list's, or the site; with the router's
// address instead of the site's when chosen.
std::string ShownUrl(bool running, const Ipv4Endpoint& site, const UrlSelection& selection,
                     const ShownServices& services, const RouterChoice& router);

}  // namespace vireo
