#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <shared_mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/unique_fd.h"
#include "platform/registry.h"

namespace vireo {

// A value as it is stored: its type number and its bytes.
struct StoredValue {
    ValueType type;
    std::vector<std::uint8_t> data;
};

// What the store's readers have read lately, kept until a database file of the store changes.
// Every request reads several settings, and each read from the database costs a transaction with
// its file locks; the cache answers from memory instead. Before every look the cache asks the
// system whether any database file in the store's folder was written since the last look (an
// inotify watch on the folder), so a change made by another program is seen by the first read after
// it, exactly as without the cache. A missing folder, or one that cannot be watched, disables the
// cache until it can be.
class RegistryCache {
public:
    static RegistryCache& Instance();

    // A remembered reading: the value or its absence (an empty inner optional). No reading at all
    // when nothing is remembered; `ticket` then receives what Remember needs.
    std::optional<std::optional<StoredValue>> Find(const std::filesystem::path& database,
                                                   std::string_view key, std::string_view name,
                                                   std::uint64_t& ticket);
    // Remembers a reading taken after Find gave `ticket`, unless the store changed meanwhile.
    void Remember(std::uint64_t ticket, const std::filesystem::path& database, std::string_view key,
                  std::string_view name, const std::optional<StoredValue>& value);
    // Forgets everything; called after every write of this program.
    void Forget();

private:
    RegistryCache() = default;
    // Brings the watch to the folder of `database` and forgets everything when that folder changed
    // or a database file in it was written. False when the folder cannot be watched. Needs mutex_
    // held alone.
    bool Refresh(const std::filesystem::path& database);
    void ForgetLocked();
    // True when events may wait on the watch (or there is no watch).
    bool ChangesWaiting() const;

    std::shared_mutex mutex_;
    UniqueFd events_;                // the inotify descriptor
    std::atomic<int> watch_fd_{-1};  // the same, for the look without the lock
    std::string folder_;             // the watched folder; empty while none is watched
    std::uint64_t generation_ = 0;   // counts every forgetting
    std::unordered_map<std::string, std::optional<StoredValue>> values_;
};

}  // namespace vireo
