#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vireo {

// The content type sent for a file whose name no table knows.
inline constexpr std::string_view kUnknownContentType = "application/x-msdownload";

// Extensions (with their leading dot, such as ".tar.gz") mapped to content types. Filled from the
// system's tables, the first source that names an extension keeping it; extensions compare without
// regard to ASCII case unless a source marks them case-sensitive.
class ContentTypeTable {
public:
    // A shared-mime-info "globs2" text: "weight:type:*.ext[:flags]" lines, heaviest first. Other
    // glob shapes are of no use for an extension lookup and are left out.
    void AddGlobs2(std::string_view text);
    // A "/etc/mime.types" text: "type ext ext ..." lines.
    void AddMimeTypes(std::string_view text);
    // The common web types, so a system without either table still types a site's usual files.
    void AddBuiltIn();

    std::optional<std::string> Find(std::string_view extension) const;

private:
    void Add(std::string_view extension, std::string_view type, bool case_sensitive);

    std::unordered_map<std::string, std::string> exact_;       // case-sensitive extensions
    std::unordered_map<std::string, std::string> lowercased_;  // all others, by their lower case
};

// The type of a file name in a table: the key is the text from the first "." (a.tar.gz is
// ".tar.gz"); a name without "." is "." and the whole name. When that key is unknown, the text from
// the last "." is tried, so my.photo.jpg is still ".jpg". Nothing when neither is known.
std::optional<std::string> FindContentType(const ContentTypeTable& table, std::string_view file_name);

// The system's table: /usr/share/mime/globs2, then /etc/mime.types, then the built-in types. Read
// once, on first use.
const ContentTypeTable& SystemContentTypes();

// The "Content-Type" of a file name from the system's table; kUnknownContentType when unknown.
std::string ContentTypeFor(std::string_view file_name);

}  // namespace vireo
