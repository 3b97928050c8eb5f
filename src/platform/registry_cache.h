#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <thread>
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
// its file locks; the cache answers from memory instead. A thread of the cache's own waits on an
// inotify watch of the store's folder and forgets everything when a database file in it is written,
// so a change made by another program is seen within moments (the time that thread takes to wake),
// while a reading itself makes no system call. A change this program makes is seen at once. A
// missing folder, or one that cannot be watched, disables the cache until it can be.
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
    RegistryCache();
    // Brings the watch to the folder of `database`. False when the folder cannot be watched. Needs
    // mutex_ held alone.
    bool Watch(const std::filesystem::path& database);
    // Takes the waiting events and forgets everything when one tells of a change. Needs mutex_ held
    // alone.
    void TakeEvents();
    void ForgetLocked();
    // The watcher thread: waits for events and takes them, for the life of the program.
    void WatchForChanges();

    std::shared_mutex mutex_;
    UniqueFd events_;                    // the inotify descriptor, for the life of the program
    int watch_ = -1;                     // the watch of folder_
    std::string folder_;                 // the watched folder; empty while none is watched
    std::atomic<bool> watching_{false};  // folder_ is watched: readers need no lock to know it
    std::uint64_t generation_ = 0;       // counts every forgetting
    std::unordered_map<std::string, std::optional<StoredValue>> values_;
    std::thread watcher_;  // started last; never joined, as the cache lives as long as the program
};

}  // namespace vireo
