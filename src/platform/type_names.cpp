#include "platform/type_names.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>
#include <utility>

namespace vireo {
namespace {

constexpr const char* kMimeFolder = "/usr/share/mime";
constexpr std::string_view kOctetStream = "application/octet-stream";

constexpr std::array<std::pair<std::string_view, char>, 5> kXmlEntities = {{
    {"&lt;", '<'},
    {"&gt;", '>'},
    {"&amp;", '&'},
    {"&quot;", '"'},
    {"&apos;", '\''},
}};

std::string DecodeXmlEntities(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        auto entity =
            std::ranges::find_if(kXmlEntities, [&](const auto& e) { return text.starts_with(e.first); });
        if (entity != kXmlEntities.end()) {
            out.push_back(entity->second);
            text.remove_prefix(entity->first.size());
        } else {
            out.push_back(text.front());
            text.remove_prefix(1);
        }
    }
    return out;
}

// A content type names a file below the mime folder only when it is "media/subtype" with no way
// out of that folder.
bool IsPlainType(std::string_view type)
{
    return std::ranges::count(type, '/') == 1 && type.find("..") == std::string_view::npos &&
           !type.starts_with('/') && !type.ends_with('/');
}

std::optional<std::string> ReadComment(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return ParseMimeComment(text.str());
}

}  // namespace

std::optional<std::string> ParseMimeComment(std::string_view xml)
{
    // Translations carry an xml:lang attribute; the plain tag holds the English text.
    constexpr std::string_view kOpen = "<comment>";
    std::size_t start = xml.find(kOpen);
    if (start == std::string_view::npos) return std::nullopt;
    start += kOpen.size();
    std::size_t end = xml.find("</comment>", start);
    if (end == std::string_view::npos || end == start) return std::nullopt;
    return DecodeXmlEntities(xml.substr(start, end - start));
}

std::optional<std::string> MimeComments::Find(std::string_view type)
{
    if (!IsPlainType(type)) return std::nullopt;
    std::string key(type);
    {
        std::lock_guard guard(lock_);
        if (auto cached = cache_.find(key); cached != cache_.end()) return cached->second;
    }
    // Read without the lock; two threads reading the same file at once both find the same text.
    std::optional<std::string> comment = ReadComment(folder_ / (key + ".xml"));
    std::lock_guard guard(lock_);
    cache_.try_emplace(key, comment);
    return comment;
}

std::string TypeNameFor(std::string_view name, bool directory, const ContentTypeTable& types,
                        MimeComments& comments)
{
    if (directory) return std::string(kFolderTypeName);
    // Octet streams are the type of files no table recognises; their description says no more
    // than "unknown", and the extension says more.
    if (auto type = FindContentType(types, name); type && *type != kOctetStream) {
        if (auto comment = comments.Find(*type)) return *comment;
    }
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    std::string extension(name.substr(dot + 1));
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return extension + " File";
}

std::string_view TypeNameKey(std::string_view name)
{
    const std::size_t first = name.find('.');
    return first == std::string_view::npos ? name : name.substr(first);
}

std::string TypeNameFor(std::string_view name, bool directory)
{
    static MimeComments comments(kMimeFolder);
    return TypeNameFor(name, directory, SystemContentTypes(), comments);
}

}  // namespace vireo
