#pragma once

#include <string>
#include <string_view>

#include "base/unique_fd.h"
#include "site/file_entry.h"

namespace vireo {

enum class TargetKind {
    Unresolved = -1,
    Home = 0,            // "/"
    Directory = 1,       // a virtual folder or a directory inside it
    File = 2,            // a file inside a virtual folder
    DynamicFile = 3,     // a single published file below the site root
    ThumbnailIndex = 4,  // a directory's thumbnail cache, asked for as "ruvededa.$$$"
    Guestbook = 5,
    Webchat = 6,
    WebCommunity = 7,
    Extension = 8,
};

// What a request path names.
struct ResolvedTarget {
    TargetKind kind = TargetKind::Unresolved;
    bool found = false;
    std::string folder_name;   // the first path element, decoded
    std::string rest;          // everything after it, without leading separators
    std::string last_element;  // the last element of rest, or folder_name when rest is empty
    std::string local_path;    // the file or directory on disk (extension: relative for the home page)
    std::string title;         // the folder's description, or the application's title
    FileEntry entry;           // of local_path when found
    std::string entity_tag;    // quoted; empty when none was computed
    // A file or directory in a folder, or a dynamic file, as it was opened to be resolved: `entry`
    // describes this descriptor. Whoever sends the file takes it (mutable, since handlers share the
    // target read-only and a descriptor has one owner); otherwise it closes with the target.
    mutable UniqueFd opened;
};

// Resolves the path of a request line (percent-encoded, without the query). A path that names
// nothing, or would lead outside the folder it names ("." or ".." elements, NUL bytes), gives an
// unresolved target.
ResolvedTarget ResolveUrl(std::string_view path);

// The reserved first path elements of the built-in applications.
inline constexpr std::string_view kGuestbookName = "Guestbook";
inline constexpr std::string_view kWebchatName = "Webchat";
inline constexpr std::string_view kWebCommunityName = "WebCommunity";
inline constexpr std::string_view kExtensionName = "Extension";

}  // namespace vireo
