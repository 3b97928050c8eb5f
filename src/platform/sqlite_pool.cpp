#include "platform/sqlite_pool.h"

#include <sys/stat.h>

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vireo {

namespace {

// Several threads may wait for each other's writes; none holds the lock for long.
constexpr int kBusyTimeoutMs = 5000;
// Idle connections kept open across all database files. Tests switch HOME all the time, so
// connections to files nobody asks for again must not pile up.
constexpr std::size_t kMaxIdleConnections = 16;

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> IdentifyFile(const std::filesystem::path& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}

}  // namespace

class PooledDatabase {
public:
    PooledDatabase(sqlite3* database, std::string path, FileIdentity identity)
        : database_(database), path_(std::move(path)), identity_(identity)
    {
    }
    ~PooledDatabase()
    {
        for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
        sqlite3_close(database_);
    }
    PooledDatabase(const PooledDatabase&) = delete;
    PooledDatabase& operator=(const PooledDatabase&) = delete;

    // A file replaced or deleted since the connection was opened is a different database.
    bool Serves(const std::string& path, const FileIdentity& identity) const
    {
        return path_ == path && identity_ == identity;
    }
    const std::string& path() const { return path_; }
    int ChangedRows() const { return sqlite3_changes(database_); }

    sqlite3_stmt* Prepare(const char* sql)
    {
        if (auto found = statements_.find(sql); found != statements_.end()) return found->second;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v3(database_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) !=
            SQLITE_OK) {
            sqlite3_finalize(statement);
            return nullptr;
        }
        statements_.emplace(sql, statement);
        return statement;
    }

private:
    sqlite3* database_;
    std::string path_;
    FileIdentity identity_;
    std::unordered_map<const char*, sqlite3_stmt*> statements_;
};

namespace {

class ConnectionPool {
public:
    std::unique_ptr<PooledDatabase> Take(const std::string& path, const FileIdentity& identity)
    {
        // Declared before the lock so that stale connections close after it is released.
        std::vector<std::unique_ptr<PooledDatabase>> stale;
        std::unique_ptr<PooledDatabase> found;
        std::lock_guard lock(mutex_);
        for (auto it = idle_.begin(); it != idle_.end();) {
            if ((*it)->path() != path || (found && (*it)->Serves(path, identity))) {
                ++it;
                continue;
            }
            if ((*it)->Serves(path, identity)) {
                found = std::move(*it);
            } else {
                stale.push_back(std::move(*it));
            }
            it = idle_.erase(it);
        }
        return found;
    }

    void Give(std::unique_ptr<PooledDatabase> database)
    {
        std::unique_ptr<PooledDatabase> evicted;
        std::lock_guard lock(mutex_);
        idle_.push_front(std::move(database));
        if (idle_.size() > kMaxIdleConnections) {
            evicted = std::move(idle_.back());
            idle_.pop_back();
        }
    }

private:
    std::mutex mutex_;
    std::deque<std::unique_ptr<PooledDatabase>> idle_;  // most recently returned first
};

// Never destroyed: detached connection threads may still use the store while the process exits.
ConnectionPool& Pool()
{
    static ConnectionPool& pool = *new ConnectionPool;
    return pool;
}

std::unique_ptr<PooledDatabase> OpenDatabase(const std::filesystem::path& path, DatabaseOpen mode,
                                             const char* setup_sql)
{
    const bool existed = IdentifyFile(path).has_value();
    if (!existed && mode == DatabaseOpen::ExistingOnly) return nullptr;
    if (!existed) {
        std::error_code ignored;
        std::filesystem::create_directories(path.parent_path(), ignored);
    }

    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (mode == DatabaseOpen::CreateIfMissing) flags |= SQLITE_OPEN_CREATE;
    sqlite3* database = nullptr;
    if (sqlite3_open_v2(path.c_str(), &database, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(database);
        return nullptr;
    }
    // The store holds the user accounts' passwords.
    if (!existed) ::chmod(path.c_str(), 0600);
    sqlite3_busy_timeout(database, kBusyTimeoutMs);
    sqlite3_exec(database, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
    sqlite3_exec(database, setup_sql, nullptr, nullptr, nullptr);

    std::optional<FileIdentity> identity = IdentifyFile(path);
    if (!identity) {
        sqlite3_close(database);
        return nullptr;
    }
    return std::make_unique<PooledDatabase>(database, path.string(), *identity);
}

}  // namespace

SqliteStatement::~SqliteStatement()
{
    if (!statement_) return;
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

void SqliteStatement::BindText(int index, std::string_view text)
{
    if (!statement_) return;
    // A null pointer would bind SQL NULL instead of an empty text.
    sqlite3_bind_text(statement_, index, text.empty() ? "" : text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
}

void SqliteStatement::BindBlob(int index, std::span<const std::uint8_t> bytes)
{
    if (!statement_) return;
    if (bytes.empty()) {
        sqlite3_bind_zeroblob(statement_, index, 0);
        return;
    }
    sqlite3_bind_blob(statement_, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::BindInt(int index, std::int64_t value)
{
    if (statement_) sqlite3_bind_int64(statement_, index, value);
}

int SqliteStatement::Step()
{
    return statement_ ? sqlite3_step(statement_) : SQLITE_MISUSE;
}

bool SqliteStatement::Run()
{
    int result;
    while ((result = Step()) == SQLITE_ROW) {
    }
    return result == SQLITE_DONE;
}

std::int64_t SqliteStatement::ColumnInt(int column) const
{
    return sqlite3_column_int64(statement_, column);
}

std::string_view SqliteStatement::ColumnText(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    if (!text) return {};
    return {text, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))};
}

std::span<const std::uint8_t> SqliteStatement::ColumnBlob(int column) const
{
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement_, column));
    if (!bytes) return {};
    return {bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))};
}

DatabaseLease::DatabaseLease() = default;

DatabaseLease::DatabaseLease(std::unique_ptr<PooledDatabase> database) : database_(std::move(database)) {}

DatabaseLease::~DatabaseLease()
{
    if (database_) Pool().Give(std::move(database_));
}

DatabaseLease::DatabaseLease(DatabaseLease&&) noexcept = default;

DatabaseLease& DatabaseLease::operator=(DatabaseLease&& other) noexcept
{
    if (this != &other) {
        if (database_) Pool().Give(std::move(database_));
        database_ = std::move(other.database_);
    }
    return *this;
}

SqliteStatement DatabaseLease::Prepare(const char* sql)
{
    return SqliteStatement(database_ ? database_->Prepare(sql) : nullptr);
}

bool DatabaseLease::Execute(const char* sql)
{
    return Prepare(sql).Run();
}

int DatabaseLease::ChangedRows() const
{
    return database_ ? database_->ChangedRows() : 0;
}

DatabaseLease LeaseDatabase(const std::filesystem::path& path, DatabaseOpen mode, const char* setup_sql)
{
    std::optional<FileIdentity> identity = IdentifyFile(path);
    if (!identity && mode == DatabaseOpen::ExistingOnly) return {};
    if (identity) {
        if (auto pooled = Pool().Take(path.string(), *identity)) return DatabaseLease(std::move(pooled));
    }
    return DatabaseLease(OpenDatabase(path, mode, setup_sql));
}

WriteTransaction::WriteTransaction(DatabaseLease& database) : database_(database)
{
    started_ = database_.Execute("BEGIN IMMEDIATE");
}

WriteTransaction::~WriteTransaction()
{
    if (started_) database_.Execute("ROLLBACK");
}

bool WriteTransaction::Commit()
{
    if (!started_ || !database_.Execute("COMMIT")) return false;
    started_ = false;
    return true;
}

}  // namespace vireo
