#include "site/page_text.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>

#include "base/ascii_case.h"
#include "base/io.h"
#include "base/unique_fd.h"
#include "base/utf8.h"
#include "platform/regular_file.h"
#include "platform/type_names.h"

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

// "%.1f" of bytes / unit, worked out in whole numbers since listings show a size on every row:
// tenths rounded to nearest, an exact half to even, as printf rounds the exact quotient (exact as a
// double while bytes stays below 2^53 and unit is a power of two).
std::string FormatScaled(std::uint64_t bytes, std::uint64_t unit, const char* name)
{
    constexpr std::uint64_t kExactLimit = std::uint64_t{1} << 53;
    if (bytes >= kExactLimit) {
        char text[64];
        std::snprintf(text, sizeof text, "%.1f %s", static_cast<double>(bytes) / static_cast<double>(unit),
                      name);
        return text;
    }
    std::uint64_t tenths = bytes * 10 / unit;
    const std::uint64_t rest = bytes * 10 % unit;
    if (rest * 2 > unit || (rest * 2 == unit && tenths % 2 == 1)) ++tenths;
    return std::to_string(tenths / 10) + '.' + static_cast<char>('0' + tenths % 10) + ' ' + name;
}

// Reads up to count bytes at offset; what could be read.
std::string ReadAt(const UniqueFd& file, std::uint64_t offset, std::size_t count)
{
    std::string bytes(count, '\0');
    bytes.resize(ReadAllAt(file.get(), bytes.data(), count, offset));
    return bytes;
}

std::string Mp3Title(const UniqueFd& file, std::uint64_t size)
{
    if (size < kTagDistance) return {};
    for (std::uint64_t distance : {kTagDistance, kShiftedTagDistance}) {
        if (distance > size) break;
        std::string tag = ReadAt(file, size - distance, 3 + kTagTitleBytes);
        if (!StartsWithIgnoreCase(tag, "tag")) continue;
        // The title field is zero-terminated when shorter than its 30 bytes, else padded with blanks.
        std::string title = tag.substr(3);
        title.resize(std::min(title.find('\0'), title.size()));
        std::size_t end = title.find_last_not_of(' ');
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

// The text from the name's last ".", or nothing without one.
std::string_view LastExtension(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

bool IsMp3Name(std::string_view name)
{
    return EqualsIgnoreCase(LastExtension(name), ".mp3");
}

bool IsHtmlName(std::string_view name)
{
    const std::string_view extension = LastExtension(name);
    return EqualsIgnoreCase(extension, ".htm") || EqualsIgnoreCase(extension, ".html");
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

bool MayHaveDisplayTitle(std::string_view name)
{
    return IsMp3Name(name) || IsHtmlName(name);
}

std::string GetDisplayTitle(std::string_view path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const bool mp3 = IsMp3Name(name);
    if (!mp3 && !IsHtmlName(name)) return {};
    std::optional<RegularFile> file = OpenRegularFile(path);
    if (!file) return {};
    return mp3 ? Mp3Title(file->fd, file->size) : HtmlTitle(file->fd, file->size);
}

std::string FormatEntryTime(FileTime when)
{
    std::time_t seconds = UnixTimeFromFileTime(when);
    std::tm local{};
    if (!::localtime_r(&seconds, &local)) return "0000-00-00 00:00";
    // "%04d-%02d-%02d %02d:%02d" written directly, since listings show a time on every row. A file
    // time starts in 1601, so the year always has four digits or more.
    auto two_digits = [](std::string& text, int value) {
        text += static_cast<char>('0' + value / 10);
        text += static_cast<char>('0' + value % 10);
    };
    std::string text = std::to_string(local.tm_year + 1900);
    text += '-';
    two_digits(text, local.tm_mon + 1);
    text += '-';
    two_digits(text, local.tm_mday);
    text += ' ';
    two_digits(text, local.tm_hour);
    text += ':';
    two_digits(text, local.tm_min);
    return text;
}

}  // namespace vireo
