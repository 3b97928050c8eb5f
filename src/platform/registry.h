#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// A hierarchical store of named values, kept in SQLite: the user's settings and the machine-wide
// installer record. Key paths are backslash-separated ("Software\QUILLMARK\Vireo\Settings"); key
// and value names compare without regard to ASCII letter case. Keys come into being when a value
// is first written below them, never on a read, and a read never creates the database file.
// Every operation is one statement or one transaction. Readings are cached until a database file
// of the store is written, by this program or another (registry_cache.h), so a read always sees
// the last write.
enum class RegistryRoot {
    CurrentUser,   // $XDG_CONFIG_HOME/quillmark/vireo/user.db
    LocalMachine,  // machine.db beside it
};

// The three kinds of values, numbered as the values they stand for.
enum class ValueType : std::uint8_t {
    String = 1,  // text stored with its terminating zero
    Binary = 3,  // bytes
    Dword = 4,   // a 32-bit number, 4 bytes, least significant first
};

// The database file that holds a root, resolved from the environment at each call.
std::optional<std::filesystem::path> RegistryDatabasePath(RegistryRoot root);

// Bytes read from a binary value, followed by two zero bytes that are not part of the value, so
// records inside may end in texts without a bounds check of their own.
class BinaryValue {
public:
    BinaryValue(const std::uint8_t* bytes, std::size_t size);

    const std::uint8_t* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    std::span<const std::uint8_t> bytes() const { return {data_.get(), size_}; }

private:
    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_;
};

// The stored form of a string value: the text up to its first zero byte, and a terminating zero.
std::vector<std::uint8_t> EncodeStringValue(std::string_view text);
// The stored form of a number value: 4 bytes, least significant first.
std::array<std::uint8_t, 4> EncodeDwordValue(std::uint32_t number);

// One value to store with WriteValues.
struct ValueWrite {
    std::string_view name;
    ValueType type;
    std::span<const std::uint8_t> data;
};

// A string value that fits a reader's buffer of capacity bytes, its terminating zero included:
// capacity 80 reads texts of at most 79 bytes. A longer text, a value of another type or a missing
// value reads as nothing.
std::optional<std::string> ReadStringValue(RegistryRoot root, std::string_view path, std::string_view name,
                                           std::size_t capacity);
// Stores text up to its first zero byte, with a terminating zero.
bool WriteStringValue(RegistryRoot root, std::string_view path, std::string_view name, std::string_view text);

// A number value of exactly 4 bytes; anything else reads as nothing.
std::optional<std::uint32_t> ReadDwordValue(RegistryRoot root, std::string_view path, std::string_view name);
bool WriteDwordValue(RegistryRoot root, std::string_view path, std::string_view name, std::uint32_t number);

// A binary value of any length (zero included); a value of another type reads as nothing.
std::optional<BinaryValue> ReadBinaryValue(RegistryRoot root, std::string_view path, std::string_view name);
bool WriteBinaryValue(RegistryRoot root, std::string_view path, std::string_view name,
                      std::span<const std::uint8_t> bytes);

// Stores several values of one key in one transaction: all of them or none.
bool WriteValues(RegistryRoot root, std::string_view path, std::span<const ValueWrite> values);

// Changes to any keys of one root, made by Commit in one transaction: all of them or none, in the
// order they were asked for, and no other thread or program sees them half done. Edits that take
// several steps (renaming an entry, replacing a whole list of values) go through one of these.
class RegistryEdit {
public:
    // Deletes the key, its values and every key below it.
    void RemoveTree(std::string_view path);
    void RemoveValue(std::string_view path, std::string_view name);
    void Write(std::string_view path, std::string_view name, ValueType type,
               std::span<const std::uint8_t> data);
    void WriteString(std::string_view path, std::string_view name, std::string_view text);
    void WriteDword(std::string_view path, std::string_view name, std::uint32_t number);

    bool Commit(RegistryRoot root) const;

private:
    enum class Kind { RemoveTree, RemoveValue, Write };
    struct Change {
        Kind kind;
        std::string key;  // canonical
        std::string name;
        ValueType type = ValueType::Binary;
        std::vector<std::uint8_t> data;
    };
    std::vector<Change> changes_;
};

// True when a value of that name exists, whatever its type and size.
bool ValueExists(RegistryRoot root, std::string_view path, std::string_view name);

// True when the value existed and is gone.
bool DeleteValue(RegistryRoot root, std::string_view path, std::string_view name);

// The name of the index-th subkey in name order (without regard to case). Nothing for a negative
// index, past the end, or for a name that does not fit capacity bytes with a terminating zero.
std::optional<std::string> EnumSubkeyName(RegistryRoot root, std::string_view path, int index,
                                          std::size_t capacity);
// The name of the index-th value of a key in name order, with the same rules.
std::optional<std::string> EnumValueName(RegistryRoot root, std::string_view path, int index,
                                         std::size_t capacity);

bool KeyExists(RegistryRoot root, std::string_view path);

// Deletes the key, its values and every key below it, depth first. False for an empty path;
// otherwise true when the key no longer exists afterwards.
bool DeleteKeyTree(RegistryRoot root, std::string_view path);

// Appends entry to a binary value made of entries of entry's size, unless an equal entry is
// already there (then the value stays byte for byte as it was). Read, test and write happen in one
// write transaction, so concurrent appends never lose one another. A trailing part shorter than
// an entry is dropped; a value of another type is replaced. True when the entry is in the value
// afterwards.
bool AppendUniqueEntry(RegistryRoot root, std::string_view path, std::string_view name,
                       std::span<const std::uint8_t> entry);

// What UpdateBinaryValue's change makes of the value it was shown.
struct BinaryUpdate {
    enum class Action { Keep, Store } action = Action::Keep;
    std::vector<std::uint8_t> bytes;  // the new value, for Store; none deletes the value
};

enum class UpdateOutcome {
    Stored,  // the change stored new bytes
    Kept,    // the change left the value as it was
    Failed,  // the store could not be read or written
};

// Reads a binary value and stores what `change` makes of it, both in one write transaction, so
// no write of another thread or program can fall between the reading and the writing. `change`
// is shown the stored bytes, or nothing when the value is missing or of another type; it must
// not touch the store itself.
UpdateOutcome UpdateBinaryValue(
    RegistryRoot root, std::string_view path, std::string_view name,
    const std::function<BinaryUpdate(std::optional<std::span<const std::uint8_t>> stored)>& change);

enum class EntryRemoval {
    Removed,  // the entry was there and is gone
    Absent,   // no entry was equal to it
    Failed,   // the store could not be changed
};

// Removes every entry equal to `entry` from a binary value made of entries of entry's size, with
// read, test and write in one write transaction, so an append made at the same time is never lost.
// A value left without entries is deleted.
EntryRemoval RemoveEntry(RegistryRoot root, std::string_view path, std::string_view name,
                         std::span<const std::uint8_t> entry);

}  // namespace vireo
