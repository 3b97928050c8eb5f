#include "platform/content_types.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>
#include <utility>

namespace vireo {
namespace {

constexpr const char* kGlobs2Path = "/usr/share/mime/globs2";
constexpr const char* kMimeTypesPath = "/etc/mime.types";

constexpr auto kBuiltInTypes = std::to_array<std::pair<std::string_view, std::string_view>>({
    {".html", "text/html"},
    {".htm", "text/html"},
    {".txt", "text/plain"},
    {".css", "text/css"},
    {".js", "text/javascript"},
    {".json", "application/json"},
    {".xml", "application/xml"},
    {".csv", "text/csv"},
    {".md", "text/markdown"},
    {".png", "image/png"},
    {".jpg", "image/jpeg"},
    {".jpeg", "image/jpeg"},
    {".gif", "image/gif"},
    {".bmp", "image/bmp"},
    {".svg", "image/svg+xml"},
    {".webp", "image/webp"},
    {".ico", "image/vnd.microsoft.icon"},
    {".mp3", "audio/mpeg"},
    {".ogg", "audio/ogg"},
    {".wav", "audio/x-wav"},
    {".flac", "audio/flac"},
    {".mp4", "video/mp4"},
    {".webm", "video/webm"},
    {".avi", "video/x-msvideo"},
    {".pdf", "application/pdf"},
    {".zip", "application/zip"},
    {".gz", "application/gzip"},
    {".tar", "application/x-tar"},
    {".tar.gz", "application/x-compressed-tar"},
    {".7z", "application/x-7z-compressed"},
    {".doc", "application/msword"},
    {".rtf", "application/rtf"},
    {".woff2", "font/woff2"},
});

std::string LowerAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// Calls `use` with each line of text, without its line end.
template <typename Use>
void ForEachLine(std::string_view text, Use use)
{
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        use(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

// The next field of `line` up to `separator` (or the end); the line moves past it.
std::string_view NextField(std::string_view& line, char separator)
{
    std::size_t end = line.find(separator);
    std::string_view field = line.substr(0, end);
    line.remove_prefix(end == std::string_view::npos ? line.size() : end + 1);
    return field;
}

// A system file's whole text; empty when it cannot be read.
std::string ReadText(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

ContentTypeTable LoadSystemTable()
{
    ContentTypeTable table;
    table.AddGlobs2(ReadText(kGlobs2Path));
    table.AddMimeTypes(ReadText(kMimeTypesPath));
    table.AddBuiltIn();
    return table;
}

}  // namespace

void ContentTypeTable::Add(std::string_view extension, std::string_view type, bool case_sensitive)
{
    if (extension.size() < 2 || type.empty()) return;
    if (case_sensitive) {
        exact_.try_emplace(std::string(extension), type);
    } else {
        lowercased_.try_emplace(LowerAscii(extension), type);
    }
}

void ContentTypeTable::AddGlobs2(std::string_view text)
{
    // The file lists the heaviest globs first, and of equal weights the first is the one file
    // managers pick, so the first line for an extension is the one to keep.
    ForEachLine(text, [this](std::string_view line) {
        if (line.empty() || line.front() == '#') return;
        NextField(line, ':');  // weight
        std::string_view type = NextField(line, ':');
        std::string_view glob = NextField(line, ':');
        std::string_view flags = line;
        if (!glob.starts_with("*.")) return;
        std::string_view extension = glob.substr(1);
        if (extension.find_first_of("*?[") != std::string_view::npos) return;
        Add(extension, type, flags.find("cs") != std::string_view::npos);
    });
}

void ContentTypeTable::AddMimeTypes(std::string_view text)
{
    ForEachLine(text, [this](std::string_view line) {
        constexpr std::string_view kBlanks = " \t";
        std::size_t type_start = line.find_first_not_of(kBlanks);
        if (type_start == std::string_view::npos || line[type_start] == '#') return;
        line.remove_prefix(type_start);
        std::size_t type_end = std::min(line.find_first_of(kBlanks), line.size());
        std::string_view type = line.substr(0, type_end);
        line.remove_prefix(type_end);
        while (true) {
            std::size_t start = line.find_first_not_of(kBlanks);
            if (start == std::string_view::npos) break;
            line.remove_prefix(start);
            std::size_t end = std::min(line.find_first_of(kBlanks), line.size());
            Add("." + std::string(line.substr(0, end)), type, false);
            line.remove_prefix(end);
        }
    });
}

void ContentTypeTable::AddBuiltIn()
{
    for (const auto& [extension, type] : kBuiltInTypes) Add(extension, type, false);
}

std::optional<std::string> ContentTypeTable::Find(std::string_view extension) const
{
    if (auto exact = exact_.find(std::string(extension)); exact != exact_.end()) return exact->second;
    auto found = lowercased_.find(LowerAscii(extension));
    return found != lowercased_.end() ? std::optional(found->second) : std::nullopt;
}

std::optional<std::string> FindContentType(const ContentTypeTable& table, std::string_view file_name)
{
    std::size_t first = file_name.find('.');
    if (first == std::string_view::npos) return table.Find("." + std::string(file_name));
    if (auto type = table.Find(file_name.substr(first))) return type;
    std::size_t last = file_name.rfind('.');
    if (last == first) return std::nullopt;
    return table.Find(file_name.substr(last));
}

const ContentTypeTable& SystemContentTypes()
{
    static const ContentTypeTable table = LoadSystemTable();
    return table;
}

std::string ContentTypeFor(std::string_view file_name)
{
    return FindContentType(SystemContentTypes(), file_name).value_or(std::string(kUnknownContentType));
}

}  // namespace vireo
