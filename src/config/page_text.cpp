#include "config/page_text.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <optional>

#include "core/ascii_case.h"
#include "platform/regular_file.h"
#include "platform/type_names.h"
#include "platform/unique_fd.h"
#include "platform/utf8.h"

namespace vireo {
namespace {

constexpr std::uint64_t kKilo = 1024;
constexpr std::uint64_t kMega = kKilo * 1024;
constexpr std::uint64_t kGiga = kMega * 1024;

// An ID3 tag of version 1 fills the last 128 bytes: "TAG", then the 30-byte title.
constexpr std::uint64_t kTagDistance = 128;
// Some writers leave two stray bytes behind the tag, so it is looked for there too.
constexpr std::uint64_t kShiftedTagDistance = 130;
constexpr std::size_t kTagTitleBytes = 30;
constexpr std::size_t kMaxTitleBytes = 255;
// A title stands in the head of a page; reading further would cost a listing row the whole of a
// huge file.
constexpr std::size_t kMaxHtmlBytesRead = 1024 * 1024;

std::string FormatScaled(std::uint64_t bytes, std::uint64_t unit, const char* name)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.1f %s", static_cast<double>(bytes) / static_cast<double>(unit), name);
    return text;
}

// Reads up to count bytes at offset; what could be read.
std::string ReadAt(const UniqueFd& file, std::uint64_t offset, std::size_t count)
{
    std::string bytes(count, '\0');
    std::size_t got = 0;
    while (got < count) {
        ssize_t n = ::pread(file.get(), bytes.data() + got, count - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

std::string Mp3Title(const UniqueFd& file, std::uint64_t size)
{
    if (size < kTagDistance) return {};
    for (std::uint64_t distance : {kTagDistance, kShiftedTagDistance}) {
        if (distance > size) break;
        std::string tag = ReadAt(file, size - distance, 3 + kTagTitleBytes);
        if (!StartsWithIgnoreCase(tag, "tag")) continue;
        std::string title = tag.substr(3);
        std::size_t end = title.find_last_not_of(std::string_view(" \0", 2));
        title.resize(end == std::string::npos ? 0 : end + 1);
        return title;
    }
    return {};
}

// The position of `needle` in `text`, ASCII case ignored.
std::size_t FindIgnoreCase(std::string_view text, std::string_view needle, std::size_t from = 0)
{
    auto found = std::search(text.begin() + static_cast<std::ptrdiff_t>(std::min(from, text.size())),
                             text.end(), needle.begin(), needle.end(),
                             [](char a, char b) { return ToLowerAscii(a) == ToLowerAscii(b); });
    return found == text.end() ? std::string_view::npos : static_cast<std::size_t>(found - text.begin());
}

std::string HtmlTitle(const UniqueFd& file, std::uint64_t size)
{
    std::string page =
        ReadAt(file, 0, static_cast<std::size_t>(std::min<std::uint64_t>(size, kMaxHtmlBytesRead)));
    constexpr std::string_view kOpen = "<title>";
    std::size_t start = FindIgnoreCase(page, kOpen);
    if (start == std::string_view::npos) return {};
    start += kOpen.size();
    std::size_t end = std::min(FindIgnoreCase(page, "</title>", start), page.size());
    return std::string(CutUtf8(std::string_view(page).substr(start, end - start), kMaxTitleBytes));
}

}  // namespace

std::string FormatSize(std::uint64_t bytes)
{
    if (bytes < kKilo) return std::to_string(bytes);
    if (bytes < kMega) return FormatScaled(bytes, kKilo, "KB");
    if (bytes < kGiga) return FormatScaled(bytes, kMega, "MB");
    return FormatScaled(bytes, kGiga, "GB");
}

std::string GetTypeName(std::string_view name, bool directory)
{
    return TypeNameFor(name, directory);
}

std::string GetDisplayTitle(std::string_view path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    std::string_view extension = name.substr(dot);
    bool mp3 = EqualsIgnoreCase(extension, ".mp3");
    bool html = EqualsIgnoreCase(extension, ".htm") || EqualsIgnoreCase(extension, ".html");
    if (!mp3 && !html) return {};
    std::optional<RegularFile> file = OpenRegularFile(path);
    if (!file) return {};
    return mp3 ? Mp3Title(file->fd, file->size) : HtmlTitle(file->fd, file->size);
}

std::string FormatEntryTime(FileTime when)
{
    std::time_t seconds = UnixTimeFromFileTime(when);
    std::tm local{};
    if (!::localtime_r(&seconds, &local)) return "0000-00-00 00:00";
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min);
    return text;
}

}  // namespace vireo
