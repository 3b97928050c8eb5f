#include "site/logbook.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "base/text_helpers.h"
#include "platform/xdg_paths.h"
#include "settings/settings.h"
#include "site/access_control.h"

namespace vireo {

namespace {

// Records hold request headers, Basic credentials included, so only the owner may read them.
constexpr mode_t kLogFileMode = 0600;

// The handle every writer shares, with what identifies the file it was opened on.
struct SharedLogFile {
    std::mutex lock;
    std::filesystem::path path;
    dev_t device = 0;
    ino_t inode = 0;
    std::shared_ptr<const UniqueFd> file;
};

SharedLogFile& Shared()
{
    static SharedLogFile shared;
    return shared;
}

std::string_view WithoutTrailingLineEnds(std::string_view text)
{
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
    return text;
}

bool WriteWhole(int fd, std::string_view bytes)
{
    // One write call: with O_APPEND the record lands whole at the end, even while other threads
    // append theirs.
    ssize_t written = ::write(fd, bytes.data(), bytes.size());
    return written == static_cast<ssize_t>(bytes.size());
}

}  // namespace

std::optional<std::filesystem::path> LogbookPath()
{
    std::optional<std::filesystem::path> documents = GetDocumentsFolder();
    if (!documents) return std::nullopt;
    std::string path = documents->string() + "/vireolog.txt";
    NormalizePath(path);
    return std::filesystem::path(path);
}

std::string FormatLogRecord(const std::tm& local_time, const Ipv4Endpoint& peer, std::string_view request,
                            std::string_view message)
{
    char lines[96];
    const Ipv4Address& a = peer.address;
    std::snprintf(lines, sizeof lines, "Time: %04u-%02u-%02u %02u:%02u:%02u\r\nAddr: %u.%u.%u.%u:%u\r\n",
                  static_cast<unsigned>(local_time.tm_year + 1900),
                  static_cast<unsigned>(local_time.tm_mon + 1), static_cast<unsigned>(local_time.tm_mday),
                  static_cast<unsigned>(local_time.tm_hour), static_cast<unsigned>(local_time.tm_min),
                  static_cast<unsigned>(local_time.tm_sec), a[0], a[1], a[2], a[3], peer.port);
    std::string record = lines;
    record.reserve(record.size() + request.size() + message.size() + 8 + kLogSeparator.size());
    // A visitor's text is kept as received except for control bytes, which could otherwise run
    // terminal sequences in whoever reads the log, or forge a line that looks like a record's own.
    if (!request.empty() && request.front() != '\0') {
        record += EscapeControlBytes(WithoutTrailingLineEnds(request), KeptControls::TabAndLineEnds);
        record += "\r\n";
    }
    if (!message.empty()) {
        record += "\r\n";
        record += EscapeControlBytes(WithoutTrailingLineEnds(message), KeptControls::TabAndLineEnds);
        record += "\r\n";
    }
    record += kLogSeparator;
    return record;
}

std::shared_ptr<const UniqueFd> OpenLogFile()
{
    std::optional<std::filesystem::path> path = LogbookPath();
    if (!path) return nullptr;
    SharedLogFile& shared = Shared();

    // The file system is asked outside the lock; only the comparison and the swap are guarded.
    struct stat on_disk {};
    const bool exists = ::stat(path->c_str(), &on_disk) == 0;
    {
        std::lock_guard guard(shared.lock);
        if (shared.file && exists && shared.path == *path && shared.device == on_disk.st_dev &&
            shared.inode == on_disk.st_ino) {
            return shared.file;
        }
    }

    auto opened = std::make_shared<UniqueFd>(
        ::open(path->c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, kLogFileMode));
    struct stat identity {};
    if (!opened->valid() || ::fstat(opened->get(), &identity) != 0) return nullptr;

    std::lock_guard guard(shared.lock);
    // Another thread may have opened the same file meanwhile; everyone keeps using one handle.
    if (!shared.file || shared.path != *path || shared.device != identity.st_dev ||
        shared.inode != identity.st_ino) {
        shared.path = *path;
        shared.device = identity.st_dev;
        shared.inode = identity.st_ino;
        shared.file = std::move(opened);
    }
    return shared.file;
}

bool WriteLogRecord(const Ipv4Endpoint& peer, const Ipv4Endpoint& local, std::string_view message,
                    std::string_view request)
{
    if (!GetEnableLog()) return false;
    std::shared_ptr<const UniqueFd> file = OpenLogFile();
    if (!file) return false;
    if (!GetLogSelf() && IsLocalAddress(peer.address, local.address)) return false;

    const std::time_t now = std::time(nullptr);
    std::tm local_time{};
    localtime_r(&now, &local_time);
    return WriteWhole(file->get(), FormatLogRecord(local_time, peer, request, message));
}

std::optional<std::string> ReadLogbook()
{
    std::optional<std::filesystem::path> path = LogbookPath();
    if (!path) return std::nullopt;
    UniqueFd file(::open(path->c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) return std::nullopt;
    std::string log;
    char chunk[65536];
    for (;;) {
        ssize_t got = ::read(file.get(), chunk, sizeof chunk);
        if (got < 0) return std::nullopt;
        if (got == 0) return log;
        log.append(chunk, static_cast<std::size_t>(got));
    }
}

bool ResetLogbook()
{
    std::shared_ptr<const UniqueFd> file = OpenLogFile();
    return file && ::ftruncate(file->get(), 0) == 0;
}

std::string ListRecords(std::string_view log, std::string_view text)
{
    constexpr std::string_view kRecordEnd = "=\r\n";
    std::string listed;
    if (text.empty()) return listed;
    for (std::size_t hit = log.find(text); hit != std::string_view::npos;
         hit = log.find(text, hit + text.size())) {
        std::size_t start = 0;
        if (std::size_t end = log.substr(0, hit).rfind(kRecordEnd); end != std::string_view::npos) {
            start = end + kRecordEnd.size();
            while (start < hit && (log[start] == '\r' || log[start] == '\n')) ++start;
        }
        const std::size_t separator = log.find(kLogSeparator, hit);
        if (separator == std::string_view::npos) break;
        listed += log.substr(start, separator + kLogSeparator.size() - start);
    }
    return listed;
}

}  // namespace vireo
