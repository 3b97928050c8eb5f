#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/content_types.h"

namespace vireo {

// What a directory's type is called in the listings.
inline constexpr std::string_view kFolderTypeName = "File Folder";

// The descriptions a file manager shows for content types ("JPEG image"): the untranslated
// <comment> of each type's shared-mime-info file. Each type's file is read once; safe to use from
// any thread.
class MimeComments {
public:
    explicit MimeComments(std::filesystem::path mime_folder) : folder_(std::move(mime_folder)) {}

    // The comment of a type such as "image/jpeg"; nothing when the type has no readable file.
    std::optional<std::string> Find(std::string_view type);

private:
    std::filesystem::path folder_;
    std::mutex lock_;
    std::unordered_map<std::string, std::optional<std::string>> cache_;
};

// The untranslated comment of a shared-mime-info type file's text, its entities decoded.
std::optional<std::string> ParseMimeComment(std::string_view xml);

// The type name of a file for the listings: kFolderTypeName for a directory; else the description
// of the name's content type (unless that is the bare "application/octet-stream"); else the text
// after the last "." in upper case and " File" ("xyz.qqq" is "QQQ File"); empty for a name
// without ".".
std::string TypeNameFor(std::string_view name, bool directory, const ContentTypeTable& types,
                        MimeComments& comments);
// The same from the system's tables and /usr/share/mime.
std::string TypeNameFor(std::string_view name, bool directory);

// The part of a file's name that its type name depends on: the text from the first "." (every
// extension the tables are searched for lies in it), or the whole name when it has none. Files whose
// keys are equal have the same type name, so a page can look each key up once.
std::string_view TypeNameKey(std::string_view name);

}  // namespace vireo
