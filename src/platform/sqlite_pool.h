#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string_view>

namespace vireo {

class PooledDatabase;

// One prepared statement of a leased connection. It is reset and its bindings cleared when this
// object goes out of scope, so the connection can hand it out again.
class SqliteStatement {
public:
    explicit SqliteStatement(sqlite3_stmt* statement) : statement_(statement) {}
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    explicit operator bool() const { return statement_ != nullptr; }

    // Parameters count from 1, as in SQLite. Texts and blobs are copied by SQLite.
    void BindText(int index, std::string_view text);
    void BindBlob(int index, std::span<const std::uint8_t> bytes);
    void BindInt(int index, std::int64_t value);

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();
    // Runs the statement to its end; true when it finished without error.
    bool Run();

    std::int64_t ColumnInt(int column) const;
    std::string_view ColumnText(int column) const;
    std::span<const std::uint8_t> ColumnBlob(int column) const;

private:
    sqlite3_stmt* statement_;
};

// A connection taken from the pool for the exclusive use of one thread; it goes back to the pool
// when the lease ends. An empty lease means the database could not be opened (or, for a read,
// does not exist).
class DatabaseLease {
public:
    DatabaseLease();
    explicit DatabaseLease(std::unique_ptr<PooledDatabase> database);
    ~DatabaseLease();
    DatabaseLease(DatabaseLease&&) noexcept;
    DatabaseLease& operator=(DatabaseLease&&) noexcept;

    explicit operator bool() const { return database_ != nullptr; }

    // A cached statement for this SQL text. The text must be a string literal: its address is the
    // cache key. An empty statement when the SQL does not compile.
    SqliteStatement Prepare(const char* sql);
    // Runs SQL without results (BEGIN, COMMIT...); true on success.
    bool Execute(const char* sql);
    // Rows changed by the last finished INSERT, UPDATE or DELETE.
    int ChangedRows() const;

private:
    std::unique_ptr<PooledDatabase> database_;
};

enum class DatabaseOpen {
    ExistingOnly,     // reads: a missing database file gives an empty lease and is not created
    CreateIfMissing,  // writes: the file and the folders above it are created when missing
};

// Leases a connection to the database file at path. Connections are reused across calls: the pool's
// lock is held only while a connection is taken or given back, never while it is used. A new
// connection runs setup_sql once (schema statements that must be harmless to repeat).
DatabaseLease LeaseDatabase(const std::filesystem::path& path, DatabaseOpen mode, const char* setup_sql);

// Runs a group of statements as one write transaction (BEGIN IMMEDIATE, so a writer waits for
// the lock up front instead of failing when it upgrades); rolls back unless Commit succeeds.
class WriteTransaction {
public:
    explicit WriteTransaction(DatabaseLease& database);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    bool started() const { return started_; }
    bool Commit();

private:
    DatabaseLease& database_;
    bool started_ = false;
};

}  // namespace vireo
