#include "platform/registry.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/registry_cache.h"
#include "platform/sqlite_pool.h"
#include "platform/xdg_paths.h"

namespace vireo {

namespace {

// Every key is one row named by its whole path; "parent" makes the subkeys of a key one indexed
// lookup. NOCASE gives the ASCII case folding that key and value names compare with.
constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS registry_keys ("
    "  path TEXT PRIMARY KEY COLLATE NOCASE,"
    "  parent TEXT NOT NULL COLLATE NOCASE,"
    "  name TEXT NOT NULL COLLATE NOCASE"
    ") WITHOUT ROWID;"
    "CREATE INDEX IF NOT EXISTS registry_keys_by_parent ON registry_keys (parent, name);"
    "CREATE TABLE IF NOT EXISTS registry_values ("
    "  key_path TEXT NOT NULL COLLATE NOCASE,"
    "  name TEXT NOT NULL COLLATE NOCASE,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  PRIMARY KEY (key_path, name)"
    ") WITHOUT ROWID;";

constexpr const char* kSelectValue =
    "SELECT type, data FROM registry_values WHERE key_path = ?1 AND name = ?2";
constexpr const char* kUpsertValue =
    "INSERT INTO registry_values (key_path, name, type, data) VALUES (?1, ?2, ?3, ?4) "
    "ON CONFLICT (key_path, name) DO UPDATE SET type = excluded.type, data = excluded.data";
constexpr const char* kDeleteValue = "DELETE FROM registry_values WHERE key_path = ?1 AND name = ?2";
constexpr const char* kInsertKey =
    "INSERT OR IGNORE INTO registry_keys (path, parent, name) VALUES (?1, ?2, ?3)";
constexpr const char* kSelectKey = "SELECT 1 FROM registry_keys WHERE path = ?1";
constexpr const char* kSelectSubkey =
    "SELECT name FROM registry_keys WHERE parent = ?1 ORDER BY name LIMIT 1 OFFSET ?2";
constexpr const char* kSelectValueName =
    "SELECT name FROM registry_values WHERE key_path = ?1 ORDER BY name LIMIT 1 OFFSET ?2";
constexpr const char* kDeleteKeyValues = "DELETE FROM registry_values WHERE key_path = ?1";
constexpr const char* kDeleteKey = "DELETE FROM registry_keys WHERE path = ?1";

// A key path with empty elements removed: "A\\B\" and "A\B" name the same key.
std::string CanonicalPath(std::string_view path)
{
    std::string canonical;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = std::min(path.find('\\', start), path.size());
        if (end > start) {
            if (!canonical.empty()) canonical += '\\';
            canonical.append(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return canonical;
}

DatabaseLease Lease(RegistryRoot root, DatabaseOpen mode)
{
    std::optional<std::filesystem::path> file = RegistryDatabasePath(root);
    if (!file) return {};
    return LeaseDatabase(*file, mode, kSchema);
}

std::optional<StoredValue> SelectValue(DatabaseLease& database, std::string_view key, std::string_view name)
{
    SqliteStatement select = database.Prepare(kSelectValue);
    if (!select) return std::nullopt;
    select.BindText(1, key);
    select.BindText(2, name);
    if (select.Step() != SQLITE_ROW) return std::nullopt;
    std::span<const std::uint8_t> data = select.ColumnBlob(1);
    return StoredValue{static_cast<ValueType>(select.ColumnInt(0)), {data.begin(), data.end()}};
}

std::optional<StoredValue> ReadValue(RegistryRoot root, std::string_view path, std::string_view name)
{
    std::optional<std::filesystem::path> file = RegistryDatabasePath(root);
    if (!file) return std::nullopt;
    const std::string key = CanonicalPath(path);
    RegistryCache& cache = RegistryCache::Instance();
    std::uint64_t ticket = 0;
    if (std::optional<std::optional<StoredValue>> known = cache.Find(*file, key, name, ticket)) return *known;
    DatabaseLease database = LeaseDatabase(*file, DatabaseOpen::ExistingOnly, kSchema);
    std::optional<StoredValue> value = database ? SelectValue(database, key, name) : std::nullopt;
    cache.Remember(ticket, *file, key, name, value);
    return value;
}

// Declared before a write's transaction, so the cache is cleared once the write is over.
class ForgetReadingsAfterWrite {
public:
    ForgetReadingsAfterWrite() = default;
    ~ForgetReadingsAfterWrite() { RegistryCache::Instance().Forget(); }
    ForgetReadingsAfterWrite(const ForgetReadingsAfterWrite&) = delete;
    ForgetReadingsAfterWrite& operator=(const ForgetReadingsAfterWrite&) = delete;
};

// Creates every key along a canonical path that does not exist yet.
bool EnsureKey(DatabaseLease& database, std::string_view key)
{
    std::size_t end = 0;
    while (end < key.size()) {
        std::size_t separator = std::min(key.find('\\', end), key.size());
        std::size_t parent_end = end == 0 ? 0 : end - 1;
        SqliteStatement insert = database.Prepare(kInsertKey);
        insert.BindText(1, key.substr(0, separator));
        insert.BindText(2, key.substr(0, parent_end));
        insert.BindText(3, key.substr(end, separator - end));
        if (!insert.Run()) return false;
        end = separator + 1;
    }
    return true;
}

bool UpsertValue(DatabaseLease& database, std::string_view key, const ValueWrite& value)
{
    SqliteStatement upsert = database.Prepare(kUpsertValue);
    if (!upsert) return false;
    upsert.BindText(1, key);
    upsert.BindText(2, value.name);
    upsert.BindInt(3, static_cast<int>(value.type));
    upsert.BindBlob(4, value.data);
    return upsert.Run();
}

// Deletes one value of a canonical key; true when the statement ran, whether or not it was there.
bool DeleteValueRow(DatabaseLease& database, std::string_view key, std::string_view name)
{
    SqliteStatement remove = database.Prepare(kDeleteValue);
    remove.BindText(1, key);
    remove.BindText(2, name);
    return remove.Run();
}

bool WriteOne(RegistryRoot root, std::string_view path, std::string_view name, ValueType type,
              std::span<const std::uint8_t> data)
{
    const ValueWrite value{name, type, data};
    return WriteValues(root, path, {&value, 1});
}

std::optional<std::string> SelectNameAt(RegistryRoot root, const char* sql, std::string_view path, int index,
                                        std::size_t capacity)
{
    if (index < 0) return std::nullopt;
    DatabaseLease database = Lease(root, DatabaseOpen::ExistingOnly);
    if (!database) return std::nullopt;
    SqliteStatement select = database.Prepare(sql);
    if (!select) return std::nullopt;
    select.BindText(1, CanonicalPath(path));
    select.BindInt(2, index);
    if (select.Step() != SQLITE_ROW) return std::nullopt;
    std::string_view name = select.ColumnText(0);
    if (name.size() + 1 > capacity) return std::nullopt;
    return std::string(name);
}

bool SelectKey(DatabaseLease& database, std::string_view key)
{
    SqliteStatement select = database.Prepare(kSelectKey);
    select.BindText(1, key);
    return select.Step() == SQLITE_ROW;
}

std::optional<std::string> FirstSubkey(DatabaseLease& database, std::string_view key)
{
    SqliteStatement select = database.Prepare(kSelectSubkey);
    select.BindText(1, key);
    select.BindInt(2, 0);
    if (select.Step() != SQLITE_ROW) return std::nullopt;
    return std::string(select.ColumnText(0));
}

bool DeleteTreeBelow(DatabaseLease& database, const std::string& key)
{
    // Subkey 0 is asked for every time, since the one before it is gone by then.
    while (std::optional<std::string> child = FirstSubkey(database, key)) {
        if (!DeleteTreeBelow(database, key + '\\' + *child)) return false;
    }
    SqliteStatement values = database.Prepare(kDeleteKeyValues);
    values.BindText(1, key);
    if (!values.Run()) return false;
    SqliteStatement self = database.Prepare(kDeleteKey);
    self.BindText(1, key);
    return self.Run();
}

}  // namespace

std::optional<std::filesystem::path> RegistryDatabasePath(RegistryRoot root)
{
    // Asked for on every read of a setting, so the last answer is kept for as long as the
    // environment it comes from stays the same.
    struct Answer {
        std::optional<std::string> config_home;
        std::optional<std::string> home;
        std::optional<std::filesystem::path> user;
        std::optional<std::filesystem::path> machine;
    };
    static std::mutex mutex;
    static std::optional<Answer> last;
    auto variable = [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    std::optional<std::string> config_home = variable("XDG_CONFIG_HOME");
    std::optional<std::string> home = variable("HOME");
    std::lock_guard lock(mutex);
    if (!last || last->config_home != config_home || last->home != home) {
        last = Answer{std::move(config_home), std::move(home), std::nullopt, std::nullopt};
        if (std::optional<std::filesystem::path> config = GetConfigFolder()) {
            const std::filesystem::path folder = *config / "quillmark" / "vireo";
            last->user = folder / "user.db";
            last->machine = folder / "machine.db";
        }
    }
    return root == RegistryRoot::LocalMachine ? last->machine : last->user;
}

BinaryValue::BinaryValue(const std::uint8_t* bytes, std::size_t size)
    : data_(std::make_unique<std::uint8_t[]>(size + 2)), size_(size)
{
    if (size > 0) std::memcpy(data_.get(), bytes, size);
}

std::optional<std::string> ReadStringValue(RegistryRoot root, std::string_view path, std::string_view name,
                                           std::size_t capacity)
{
    std::optional<StoredValue> value = ReadValue(root, path, name);
    if (!value || value->type != ValueType::String || value->data.size() > capacity) return std::nullopt;
    const auto* text = reinterpret_cast<const char*>(value->data.data());
    std::size_t length = std::find(value->data.begin(), value->data.end(), 0) - value->data.begin();
    if (length + 1 > capacity) return std::nullopt;
    return std::string(text, length);
}

std::vector<std::uint8_t> EncodeStringValue(std::string_view text)
{
    std::vector<std::uint8_t> data(text.begin(), std::find(text.begin(), text.end(), '\0'));
    data.push_back(0);
    return data;
}

std::array<std::uint8_t, 4> EncodeDwordValue(std::uint32_t number)
{
    return {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
            static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
}

bool WriteStringValue(RegistryRoot root, std::string_view path, std::string_view name, std::string_view text)
{
    return WriteOne(root, path, name, ValueType::String, EncodeStringValue(text));
}

std::optional<std::uint32_t> ReadDwordValue(RegistryRoot root, std::string_view path, std::string_view name)
{
    std::optional<StoredValue> value = ReadValue(root, path, name);
    if (!value || value->type != ValueType::Dword || value->data.size() != 4) return std::nullopt;
    const std::vector<std::uint8_t>& b = value->data;
    return static_cast<std::uint32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24);
}

bool WriteDwordValue(RegistryRoot root, std::string_view path, std::string_view name, std::uint32_t number)
{
    return WriteOne(root, path, name, ValueType::Dword, EncodeDwordValue(number));
}

std::optional<BinaryValue> ReadBinaryValue(RegistryRoot root, std::string_view path, std::string_view name)
{
    std::optional<StoredValue> value = ReadValue(root, path, name);
    if (!value || value->type != ValueType::Binary) return std::nullopt;
    return BinaryValue(value->data.data(), value->data.size());
}

bool WriteBinaryValue(RegistryRoot root, std::string_view path, std::string_view name,
                      std::span<const std::uint8_t> bytes)
{
    return WriteOne(root, path, name, ValueType::Binary, bytes);
}

bool WriteValues(RegistryRoot root, std::string_view path, std::span<const ValueWrite> values)
{
    RegistryEdit edit;
    for (const ValueWrite& value : values) edit.Write(path, value.name, value.type, value.data);
    return edit.Commit(root);
}

void RegistryEdit::RemoveTree(std::string_view path)
{
    changes_.push_back({Kind::RemoveTree, CanonicalPath(path), {}, ValueType::Binary, {}});
}

void RegistryEdit::RemoveValue(std::string_view path, std::string_view name)
{
    changes_.push_back({Kind::RemoveValue, CanonicalPath(path), std::string(name), ValueType::Binary, {}});
}

void RegistryEdit::Write(std::string_view path, std::string_view name, ValueType type,
                         std::span<const std::uint8_t> data)
{
    changes_.push_back(
        {Kind::Write, CanonicalPath(path), std::string(name), type, {data.begin(), data.end()}});
}

void RegistryEdit::WriteString(std::string_view path, std::string_view name, std::string_view text)
{
    Write(path, name, ValueType::String, EncodeStringValue(text));
}

void RegistryEdit::WriteDword(std::string_view path, std::string_view name, std::uint32_t number)
{
    Write(path, name, ValueType::Dword, EncodeDwordValue(number));
}

bool RegistryEdit::Commit(RegistryRoot root) const
{
    ForgetReadingsAfterWrite forget;
    DatabaseLease database = Lease(root, DatabaseOpen::CreateIfMissing);
    if (!database) return false;
    WriteTransaction transaction(database);
    if (!transaction.started()) return false;
    for (const Change& change : changes_) {
        bool done = false;
        switch (change.kind) {
            case Kind::RemoveTree:
                done = !change.key.empty() && DeleteTreeBelow(database, change.key);
                break;
            case Kind::RemoveValue:
                done = DeleteValueRow(database, change.key, change.name);
                break;
            case Kind::Write:
                done = EnsureKey(database, change.key) &&
                       UpsertValue(database, change.key, {change.name, change.type, change.data});
                break;
        }
        if (!done) return false;
    }
    return transaction.Commit();
}

bool ValueExists(RegistryRoot root, std::string_view path, std::string_view name)
{
    return ReadValue(root, path, name).has_value();
}

bool DeleteValue(RegistryRoot root, std::string_view path, std::string_view name)
{
    ForgetReadingsAfterWrite forget;
    DatabaseLease database = Lease(root, DatabaseOpen::ExistingOnly);
    if (!database) return false;
    return DeleteValueRow(database, CanonicalPath(path), name) && database.ChangedRows() > 0;
}

std::optional<std::string> EnumSubkeyName(RegistryRoot root, std::string_view path, int index,
                                          std::size_t capacity)
{
    return SelectNameAt(root, kSelectSubkey, path, index, capacity);
}

std::optional<std::string> EnumValueName(RegistryRoot root, std::string_view path, int index,
                                         std::size_t capacity)
{
    return SelectNameAt(root, kSelectValueName, path, index, capacity);
}

bool KeyExists(RegistryRoot root, std::string_view path)
{
    DatabaseLease database = Lease(root, DatabaseOpen::ExistingOnly);
    if (!database) return false;
    const std::string key = CanonicalPath(path);
    return key.empty() || SelectKey(database, key);
}

bool DeleteKeyTree(RegistryRoot root, std::string_view path)
{
    const std::string key = CanonicalPath(path);
    if (key.empty()) return false;
    ForgetReadingsAfterWrite forget;
    DatabaseLease database = Lease(root, DatabaseOpen::ExistingOnly);
    if (!database) return true;  // no store at all: the key does not exist
    {
        WriteTransaction transaction(database);
        if (transaction.started() && DeleteTreeBelow(database, key)) transaction.Commit();
    }
    return !SelectKey(database, key);
}

namespace {

// A binary value read inside a write transaction as whole entries of `entry_size` bytes: a value
// of another type counts as empty, a trailing part shorter than an entry is dropped.
std::vector<std::uint8_t> SelectEntries(DatabaseLease& database, std::string_view key, std::string_view name,
                                        std::size_t entry_size)
{
    std::vector<std::uint8_t> data;
    if (std::optional<StoredValue> stored = SelectValue(database, key, name);
        stored && stored->type == ValueType::Binary) {
        data = std::move(stored->data);
    }
    data.resize(data.size() / entry_size * entry_size);
    return data;
}

}  // namespace

bool AppendUniqueEntry(RegistryRoot root, std::string_view path, std::string_view name,
                       std::span<const std::uint8_t> entry)
{
    if (entry.empty()) return false;
    ForgetReadingsAfterWrite forget;
    DatabaseLease database = Lease(root, DatabaseOpen::CreateIfMissing);
    if (!database) return false;
    WriteTransaction transaction(database);
    if (!transaction.started()) return false;
    const std::string key = CanonicalPath(path);

    std::vector<std::uint8_t> data = SelectEntries(database, key, name, entry.size());
    for (std::size_t at = 0; at < data.size(); at += entry.size()) {
        if (std::equal(entry.begin(), entry.end(), data.begin() + at)) return transaction.Commit();
    }
    data.insert(data.end(), entry.begin(), entry.end());
    return EnsureKey(database, key) && UpsertValue(database, key, {name, ValueType::Binary, data}) &&
           transaction.Commit();
}

EntryRemoval RemoveEntry(RegistryRoot root, std::string_view path, std::string_view name,
                         std::span<const std::uint8_t> entry)
{
    if (entry.empty()) return EntryRemoval::Failed;
    ForgetReadingsAfterWrite forget;
    DatabaseLease database = Lease(root, DatabaseOpen::ExistingOnly);
    if (!database) return EntryRemoval::Absent;
    WriteTransaction transaction(database);
    if (!transaction.started()) return EntryRemoval::Failed;
    const std::string key = CanonicalPath(path);

    std::vector<std::uint8_t> data = SelectEntries(database, key, name, entry.size());
    std::vector<std::uint8_t> kept;
    for (std::size_t at = 0; at < data.size(); at += entry.size()) {
        if (!std::equal(entry.begin(), entry.end(), data.begin() + at)) {
            kept.insert(kept.end(), data.begin() + at, data.begin() + at + entry.size());
        }
    }
    if (kept.size() == data.size()) return EntryRemoval::Absent;
    const bool stored = kept.empty() ? DeleteValueRow(database, key, name)
                                     : UpsertValue(database, key, {name, ValueType::Binary, kept});
    return stored && transaction.Commit() ? EntryRemoval::Removed : EntryRemoval::Failed;
}

UpdateOutcome UpdateBinaryValue(
    RegistryRoot root, std::string_view path, std::string_view name,
    const std::function<BinaryUpdate(std::optional<std::span<const std::uint8_t>> stored)>& change)
{
    ForgetReadingsAfterWrite forget;
    DatabaseLease database = Lease(root, DatabaseOpen::CreateIfMissing);
    if (!database) return UpdateOutcome::Failed;
    WriteTransaction transaction(database);
    if (!transaction.started()) return UpdateOutcome::Failed;
    const std::string key = CanonicalPath(path);

    std::optional<StoredValue> stored = SelectValue(database, key, name);
    std::optional<std::span<const std::uint8_t>> shown;
    if (stored && stored->type == ValueType::Binary) shown = std::span<const std::uint8_t>(stored->data);
    BinaryUpdate update = change(shown);
    if (update.action == BinaryUpdate::Action::Keep) {
        return transaction.Commit() ? UpdateOutcome::Kept : UpdateOutcome::Failed;
    }
    const bool written =
        update.bytes.empty()
            ? DeleteValueRow(database, key, name)
            : EnsureKey(database, key) && UpsertValue(database, key, {name, ValueType::Binary, update.bytes});
    const bool stored_now = written && transaction.Commit();
    return stored_now ? UpdateOutcome::Stored : UpdateOutcome::Failed;
}

}  // namespace vireo
