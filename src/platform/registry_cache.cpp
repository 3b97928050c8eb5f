#include "platform/registry_cache.h"

#include <poll.h>
#include <sys/inotify.h>

#include "base/io.h"

namespace vireo {
namespace {

// Readings of names a visitor makes up (folder names in addresses) must not grow the cache without
// end: past this many it starts over.
constexpr std::size_t kMaxValues = 4096;

constexpr std::uint32_t kChanges = IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                   IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;

// The parts of a database path, without the cost of path parsing on every read.
std::string_view FolderOf(const std::filesystem::path& database)
{
    const std::string& text = database.native();
    return std::string_view(text).substr(0, text.rfind('/'));
}

std::string_view FileName(const std::filesystem::path& database)
{
    const std::string& text = database.native();
    return std::string_view(text).substr(text.rfind('/') + 1);
}

// Key and value names compare without regard to ASCII case, as the store compares them. The key's
// length goes first, so no key and name can run together into another pair's text.
std::string CacheKey(const std::filesystem::path& database, std::string_view key, std::string_view name)
{
    std::string folded(FileName(database));
    folded += '/';
    folded += std::to_string(key.size());
    folded += '/';
    for (std::string_view part : {key, name}) {
        for (char c : part) folded += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
    }
    return folded;
}

// The shared-memory index beside a database is written by readers too, and never holds a value.
bool IsIndexFile(std::string_view name)
{
    return name.ends_with("-shm");
}

}  // namespace

RegistryCache& RegistryCache::Instance()
{
    // Never destroyed: detached connection threads may still read it while the program exits.
    static RegistryCache& cache = *new RegistryCache;
    return cache;
}

RegistryCache::RegistryCache()
    : events_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), watcher_(&RegistryCache::WatchForChanges, this)
{
}

bool RegistryCache::Watch(const std::filesystem::path& database)
{
    const std::string_view folder = FolderOf(database);
    if (watching_.load() && folder == folder_) return true;
    ForgetLocked();
    if (watch_ >= 0) ::inotify_rm_watch(events_.get(), watch_);
    watching_.store(false);
    folder_.assign(folder);
    watch_ = events_ ? ::inotify_add_watch(events_.get(), folder_.c_str(), kChanges) : -1;
    watching_.store(watch_ >= 0);
    return watch_ >= 0;
}

void RegistryCache::TakeEvents()
{
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t got = ReadSome(events_.get(), buffer, sizeof buffer);
        if (got <= 0) return;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            const std::string_view name = event->len > 0 ? std::string_view(event->name) : std::string_view();
            if (!IsIndexFile(name)) ForgetLocked();
            // The folder itself went away: watch it again once it is back.
            if (event->wd == watch_ && (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF))) {
                watch_ = -1;
                watching_.store(false);
            }
        }
    }
}

void RegistryCache::WatchForChanges()
{
    if (!events_) return;
    for (;;) {
        pollfd watch{.fd = events_.get(), .events = POLLIN, .revents = 0};
        if (PollRetrying(&watch, 1, -1) < 0) return;
        std::unique_lock lock(mutex_);
        TakeEvents();
    }
}

std::optional<std::optional<StoredValue>> RegistryCache::Find(const std::filesystem::path& database,
                                                              std::string_view key, std::string_view name,
                                                              std::uint64_t& ticket)
{
    const std::string cache_key = CacheKey(database, key, name);
    auto look_up = [&]() -> std::optional<std::optional<StoredValue>> {
        auto found = values_.find(cache_key);
        if (found == values_.end()) return std::nullopt;
        return found->second;
    };
    if (watching_.load()) {
        // The common case: readers share the lock and do not wait for one another.
        std::shared_lock lock(mutex_);
        if (watching_.load() && FolderOf(database) == folder_) {
            ticket = generation_;
            return look_up();
        }
    }
    std::unique_lock lock(mutex_);
    const bool watched = Watch(database);
    // An unwatched folder gets a ticket that never matches, so nothing read from it is kept.
    ticket = watched ? generation_ : ~generation_;
    if (!watched) return std::nullopt;
    return look_up();
}

void RegistryCache::Remember(std::uint64_t ticket, const std::filesystem::path& database,
                             std::string_view key, std::string_view name,
                             const std::optional<StoredValue>& value)
{
    std::unique_lock lock(mutex_);
    if (ticket != generation_ || !watching_.load()) return;
    if (values_.size() >= kMaxValues) values_.clear();
    values_.insert_or_assign(CacheKey(database, key, name), value);
}

void RegistryCache::Forget()
{
    std::unique_lock lock(mutex_);
    ForgetLocked();
}

void RegistryCache::ForgetLocked()
{
    values_.clear();
    ++generation_;
}

}  // namespace vireo
