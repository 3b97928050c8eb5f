#include "settings/dynamic_files.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/text_helpers.h"
#include "base/unique_dir.h"
#include "platform/file_time.h"
#include "platform/registry.h"

namespace vireo {

namespace {

constexpr std::string_view kDynamicFilesKey = "Software\\QUILLMARK\\Vireo\\DynamicFiles";
// Each text field of the record, and a display name, holds at most this many bytes and a zero.
constexpr std::size_t kTextField = 260;
constexpr std::size_t kPatternOffset = 260;
constexpr std::size_t kRealTimeOffset = 520;
constexpr std::size_t kUseNewestOffset = 524;

std::string ZeroTerminated(std::span<const std::uint8_t> bytes)
{
    auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return std::string(bytes.begin(), end);
}

void PutText(std::span<std::uint8_t> field, std::string_view text)
{
    const std::size_t n = std::min(text.size(), field.size() - 1);
    std::memcpy(field.data(), text.data(), n);
}

void PutWord(std::span<std::uint8_t> record, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) record[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetWord(std::span<const std::uint8_t> record, std::size_t offset)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(record[offset + i]) << (8 * i);
    return value;
}

bool IsUsableName(std::string_view name)
{
    return !name.empty() && name.size() < kTextField;
}

// The newest non-directory in `directory` whose name matches `pattern` (letter case ignored, a
// leading "." matched only by a "." in the pattern); of equal times the first one found.
std::optional<std::string> NewestMatch(const std::string& directory, const std::string& pattern)
{
    UniqueDir dir(::opendir(directory.empty() ? "/" : directory.c_str()));
    if (!dir) return std::nullopt;
    std::optional<std::string> newest;
    FileTime newest_time = 0;
    while (const dirent* item = ::readdir(dir.get())) {
        if (::fnmatch(pattern.c_str(), item->d_name, FNM_CASEFOLD | FNM_PERIOD) != 0) continue;
        struct stat status {};
        if (::fstatat(::dirfd(dir.get()), item->d_name, &status, 0) != 0 || S_ISDIR(status.st_mode)) continue;
        const FileTime written = FileTimeFromTimespec(status.st_mtim);
        if (newest && written <= newest_time) continue;
        newest = directory + '/' + item->d_name;
        newest_time = written;
    }
    return newest;
}

}  // namespace

std::array<std::uint8_t, kDynamicFileRecordSize> EncodeDynamicFile(const DynamicFile& file)
{
    std::array<std::uint8_t, kDynamicFileRecordSize> record{};
    const std::span<std::uint8_t> bytes(record);
    PutText(bytes.subspan(0, kTextField), file.path);
    PutText(bytes.subspan(kPatternOffset, kTextField), file.pattern);
    PutWord(bytes, kRealTimeOffset, file.real_time ? 1 : 0);
    PutWord(bytes, kUseNewestOffset, file.use_newest ? 1 : 0);
    return record;
}

DynamicFile DecodeDynamicFile(std::span<const std::uint8_t> bytes)
{
    DynamicFile file;
    if (bytes.size() != kDynamicFileRecordSize) {
        file.path = ZeroTerminated(bytes);
        return file;
    }
    file.path = ZeroTerminated(bytes.subspan(0, kTextField));
    file.pattern = ZeroTerminated(bytes.subspan(kPatternOffset, kTextField));
    file.real_time = GetWord(bytes, kRealTimeOffset) != 0;
    file.use_newest = GetWord(bytes, kUseNewestOffset) != 0;
    return file;
}

std::optional<std::pair<std::string, DynamicFile>> EnumDynamicFile(int index)
{
    std::optional<std::string> name =
        EnumValueName(RegistryRoot::CurrentUser, kDynamicFilesKey, index, kTextField);
    if (!name) return std::nullopt;
    // A value of another type reads as a record without a path, which resolves to nothing.
    DynamicFile file = GetDynamicFile(*name).value_or(DynamicFile{});
    return std::pair{std::move(*name), std::move(file)};
}

std::optional<DynamicFile> GetDynamicFile(std::string_view name)
{
    if (!IsUsableName(name)) return std::nullopt;
    std::optional<BinaryValue> value = ReadBinaryValue(RegistryRoot::CurrentUser, kDynamicFilesKey, name);
    if (!value) return std::nullopt;
    return DecodeDynamicFile(value->bytes());
}

bool SetDynamicFile(std::string_view name, const DynamicFile& file)
{
    return ReplaceDynamicFile({}, name, file);
}

bool ReplaceDynamicFile(std::string_view old_name, std::string_view name, const DynamicFile& file)
{
    // The record has no room for longer texts, and a cut path would name another file.
    if (!IsUsableName(name) || file.path.size() >= kTextField || file.pattern.size() >= kTextField)
        return false;
    if (!old_name.empty() && !IsUsableName(old_name)) return false;
    RegistryEdit edit;
    // The store keeps a name's first spelling, so a change of letter case needs the entry anew.
    if (!old_name.empty()) edit.RemoveValue(kDynamicFilesKey, old_name);
    const auto record = EncodeDynamicFile(file);
    edit.Write(kDynamicFilesKey, name, ValueType::Binary, record);
    return edit.Commit(RegistryRoot::CurrentUser);
}

bool DeleteDynamicFile(std::string_view name)
{
    return IsUsableName(name) && DeleteValue(RegistryRoot::CurrentUser, kDynamicFilesKey, name);
}

std::optional<std::string> UniqueDynamicFileName(std::string_view path)
{
    const std::size_t separator = path.find_last_of("/\\");
    const std::string_view file_name =
        separator == std::string_view::npos ? path : path.substr(separator + 1);
    if (file_name.empty()) return std::nullopt;
    const std::size_t dot = file_name.rfind('.');
    const std::string stem(file_name.substr(0, dot));
    const std::string extension =
        dot == std::string_view::npos ? "" : "." + std::string(file_name.substr(dot + 1));

    std::string candidate = stem + extension;
    for (int number = 1;; ++number) {
        // Numbers only make a name longer, so once one does not fit none will.
        if (!IsUsableName(candidate)) return std::nullopt;
        if (!ValueExists(RegistryRoot::CurrentUser, kDynamicFilesKey, candidate)) return candidate;
        candidate = stem + '[' + std::to_string(number) + ']' + extension;
    }
}

std::optional<std::pair<std::string, DynamicFile>> AddDynamicFile(std::string_view path)
{
    std::optional<std::string> name = UniqueDynamicFileName(path);
    if (!name) return std::nullopt;
    DynamicFile file;
    file.path = path;
    if (!SetDynamicFile(*name, file)) return std::nullopt;
    return std::pair{std::move(*name), std::move(file)};
}

bool IsRealTimeFile(std::string_view name)
{
    std::optional<DynamicFile> file = GetDynamicFile(name);
    return file && file->real_time;
}

std::optional<std::string> GetActualDynamicFile(std::string_view name)
{
    std::optional<DynamicFile> file = GetDynamicFile(name);
    if (!file || !file->real_time) return std::nullopt;

    std::string actual = file->path;
    if (file->use_newest) {
        const std::size_t separator = file->path.find_last_of("/\\");
        const std::string directory = separator == std::string::npos ? "." : file->path.substr(0, separator);
        const std::string_view stored_name =
            std::string_view(file->path).substr(separator == std::string::npos ? 0 : separator + 1);
        // Without a pattern, the files of the stored file's type. A stored name without an
        // extension gives "*.", which matches no name, so the stored file itself is served.
        const std::string pattern =
            file->pattern.empty() ? "*." + std::string(stored_name.substr(FindExtension(stored_name, false)))
                                  : file->pattern;
        if (std::optional<std::string> newest = NewestMatch(directory, pattern)) actual = std::move(*newest);
    }

    struct stat status {};
    if (::stat(actual.c_str(), &status) != 0 || S_ISDIR(status.st_mode)) return std::nullopt;
    return actual;
}

}  // namespace vireo
