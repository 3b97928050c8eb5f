#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "support/test_home.h"

namespace vireo::testing {
namespace {

constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;
constexpr std::string_view kKey = "Software\\QUILLMARK\\Vireo\\Settings";

std::vector<std::uint8_t> Bytes(std::initializer_list<std::uint8_t> bytes)
{
    return bytes;
}

std::vector<std::uint8_t> ReadBytes(std::string_view key, std::string_view name)
{
    std::optional<BinaryValue> value = ReadBinaryValue(kUser, key, name);
    if (!value) return {};
    return {value->bytes().begin(), value->bytes().end()};
}

class RegistryTest : public ::testing::Test {
protected:
    TestHome home;
};

TEST_F(RegistryTest, ReadsOnAFreshStoreFindNothingAndCreateNothing)
{
    EXPECT_FALSE(ReadStringValue(kUser, kKey, "mainpagetitle", 80));
    EXPECT_FALSE(ReadDwordValue(kUser, kKey, "listen_port"));
    EXPECT_FALSE(ReadBinaryValue(kUser, kKey, "AutoBlockList"));
    EXPECT_FALSE(KeyExists(kUser, kKey));
    EXPECT_FALSE(EnumSubkeyName(kUser, "Software", 0, 260));
    EXPECT_FALSE(DeleteValue(kUser, kKey, "listen_port"));
    EXPECT_TRUE(DeleteKeyTree(kUser, kKey));

    EXPECT_EQ(RegistryDatabasePath(kUser), home.path() / ".config/quillmark/vireo/user.db");
    EXPECT_FALSE(std::filesystem::exists(*RegistryDatabasePath(kUser)));
}

TEST_F(RegistryTest, KeysComeIntoBeingOnlyWithAWrite)
{
    ASSERT_TRUE(WriteDwordValue(kUser, "A\\B\\C", "n", 1));
    EXPECT_TRUE(KeyExists(kUser, "A"));
    EXPECT_TRUE(KeyExists(kUser, "A\\B"));
    EXPECT_TRUE(KeyExists(kUser, "A\\B\\C"));
    EXPECT_FALSE(KeyExists(kUser, "A\\B\\C\\D"));
    EXPECT_FALSE(ReadDwordValue(kUser, "A\\X", "n"));
    EXPECT_FALSE(KeyExists(kUser, "A\\X"));
    EXPECT_EQ(EnumSubkeyName(kUser, "A", 0, 260), "B");
    EXPECT_FALSE(EnumSubkeyName(kUser, "A", 1, 260));
}

TEST_F(RegistryTest, StringsReadOnlyWhenTheyFitTheCapacityWithTheirZero)
{
    ASSERT_TRUE(WriteStringValue(kUser, kKey, "text", "abc"));
    struct Case {
        std::size_t capacity;
        std::optional<std::string> expected;
    };
    for (const Case& c : {Case{0, std::nullopt}, Case{3, std::nullopt}, Case{4, "abc"}, Case{260, "abc"}}) {
        EXPECT_EQ(ReadStringValue(kUser, kKey, "text", c.capacity), c.expected) << "capacity " << c.capacity;
    }
    ASSERT_TRUE(WriteStringValue(kUser, kKey, "empty", ""));
    EXPECT_EQ(ReadStringValue(kUser, kKey, "empty", 1), "");
    // A text ends at its first zero byte, as the stored form does.
    ASSERT_TRUE(WriteStringValue(kUser, kKey, "cut", std::string_view("ab\0cd", 5)));
    EXPECT_EQ(ReadStringValue(kUser, kKey, "cut", 3), "ab");
}

TEST_F(RegistryTest, NumbersAreFourBytesLeastSignificantFirst)
{
    ASSERT_TRUE(WriteDwordValue(kUser, kKey, "n", 0x04030201));
    EXPECT_EQ(ReadDwordValue(kUser, kKey, "n"), 0x04030201u);
    ASSERT_TRUE(
        WriteValues(kUser, kKey, std::array{ValueWrite{"same", ValueType::Binary, EncodeDwordValue(7)}}));
    EXPECT_EQ(ReadBytes(kKey, "same"), Bytes({7, 0, 0, 0}));
}

TEST_F(RegistryTest, AValueOfTheWrongTypeOrSizeReadsAsAbsent)
{
    const std::vector<std::uint8_t> eight(8, 1);
    const std::vector<std::uint8_t> three(3, 1);
    ASSERT_TRUE(WriteStringValue(kUser, kKey, "text", "1234"));
    ASSERT_TRUE(WriteDwordValue(kUser, kKey, "number", 1));
    ASSERT_TRUE(WriteBinaryValue(kUser, kKey, "bytes", Bytes({1, 2, 3, 4})));
    ASSERT_TRUE(WriteValues(kUser, kKey,
                            std::array{ValueWrite{"long", ValueType::Dword, eight},
                                       ValueWrite{"short", ValueType::Dword, three}}));

    EXPECT_FALSE(ReadDwordValue(kUser, kKey, "text"));
    EXPECT_FALSE(ReadDwordValue(kUser, kKey, "bytes"));
    EXPECT_FALSE(ReadDwordValue(kUser, kKey, "long"));
    EXPECT_FALSE(ReadDwordValue(kUser, kKey, "short"));
    EXPECT_FALSE(ReadStringValue(kUser, kKey, "number", 260));
    EXPECT_FALSE(ReadStringValue(kUser, kKey, "bytes", 260));
    EXPECT_FALSE(ReadBinaryValue(kUser, kKey, "text"));
    EXPECT_FALSE(ReadBinaryValue(kUser, kKey, "number"));
    EXPECT_TRUE(ValueExists(kUser, kKey, "long"));
}

TEST_F(RegistryTest, BinaryReadsCarryTwoZeroBytesBehindTheData)
{
    ASSERT_TRUE(WriteBinaryValue(kUser, kKey, "bytes", Bytes({0xFF, 0xFE, 0xFD})));
    std::optional<BinaryValue> value = ReadBinaryValue(kUser, kKey, "bytes");
    ASSERT_TRUE(value);
    ASSERT_EQ(value->size(), 3u);
    EXPECT_EQ(value->data()[0], 0xFF);
    EXPECT_EQ(value->data()[2], 0xFD);
    EXPECT_EQ(value->data()[3], 0);
    EXPECT_EQ(value->data()[4], 0);

    ASSERT_TRUE(WriteBinaryValue(kUser, kKey, "none", {}));
    value = ReadBinaryValue(kUser, kKey, "none");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->size(), 0u);
    EXPECT_EQ(value->data()[1], 0);
}

TEST_F(RegistryTest, KeyAndValueNamesIgnoreLetterCase)
{
    ASSERT_TRUE(WriteDwordValue(kUser, kKey, "listen_port", 8080));
    EXPECT_EQ(ReadDwordValue(kUser, "software\\quillmark\\VIREO\\settings", "LISTEN_PORT"), 8080u);
    // Writing under another spelling replaces the value instead of adding a second one.
    ASSERT_TRUE(WriteDwordValue(kUser, "SOFTWARE\\QUILLMARK\\VIREO\\SETTINGS", "Listen_Port", 81));
    EXPECT_EQ(ReadDwordValue(kUser, kKey, "listen_port"), 81u);
    EXPECT_EQ(EnumValueName(kUser, kKey, 0, 260), "listen_port");
    EXPECT_FALSE(EnumValueName(kUser, kKey, 1, 260));
    EXPECT_EQ(EnumSubkeyName(kUser, "SOFTWARE\\quillmark", 0, 260), "Vireo");
    // Empty path elements do not name other keys.
    EXPECT_EQ(ReadDwordValue(kUser, "Software\\\\QUILLMARK\\Vireo\\Settings\\", "listen_port"), 81u);
}

TEST_F(RegistryTest, SubkeysAreListedInNameOrderWithinTheirCapacity)
{
    for (std::string_view name : {"beta", "Alpha", "gamma", "0"}) {
        ASSERT_TRUE(WriteDwordValue(kUser, "Folders\\" + std::string(name), "v", 1));
    }
    ASSERT_TRUE(WriteDwordValue(kUser, "Folders\\beta\\inner", "v", 1));
    std::vector<std::string> names;
    for (int i = 0; auto name = EnumSubkeyName(kUser, "Folders", i, 260); ++i) names.push_back(*name);
    EXPECT_EQ(names, (std::vector<std::string>{"0", "Alpha", "beta", "gamma"}));
    EXPECT_FALSE(EnumSubkeyName(kUser, "Folders", -1, 260));
    EXPECT_FALSE(EnumSubkeyName(kUser, "Folders", 2, 4));  // "beta" needs 5 bytes
    EXPECT_EQ(EnumSubkeyName(kUser, "Folders", 2, 5), "beta");
}

TEST_F(RegistryTest, DeleteKeyTreeRemovesNestedKeysAndTheirValues)
{
    for (std::string_view key :
         {"F\\photos", "F\\photos\\a", "F\\photos\\a\\deep", "F\\photos\\b", "F\\music"}) {
        ASSERT_TRUE(WriteStringValue(kUser, key, "folder", "/x"));
    }
    EXPECT_FALSE(DeleteKeyTree(kUser, ""));
    EXPECT_TRUE(DeleteKeyTree(kUser, "f\\PHOTOS"));
    for (std::string_view key : {"F\\photos", "F\\photos\\a", "F\\photos\\a\\deep", "F\\photos\\b"}) {
        EXPECT_FALSE(KeyExists(kUser, key)) << key;
    }
    EXPECT_TRUE(KeyExists(kUser, "F\\music"));
    // Keys made again later start empty.
    ASSERT_TRUE(WriteDwordValue(kUser, "F\\photos\\a\\deep", "other", 1));
    EXPECT_FALSE(ReadStringValue(kUser, "F\\photos\\a\\deep", "folder", 260));
}

TEST_F(RegistryTest, AnEditChangesSeveralKeysInOrderOrNothingAtAll)
{
    ASSERT_TRUE(WriteStringValue(kUser, "F\\old", "folder", "/a"));
    ASSERT_TRUE(WriteStringValue(kUser, "F\\old\\deep", "x", "y"));
    ASSERT_TRUE(WriteDwordValue(kUser, "U", "gone", 1));

    // A change that cannot be made undoes the ones before it.
    RegistryEdit failing;
    failing.RemoveTree("F\\old");
    failing.WriteString("F\\new", "folder", "/a");
    failing.RemoveTree("");
    EXPECT_FALSE(failing.Commit(kUser));
    EXPECT_EQ(ReadStringValue(kUser, "F\\old", "folder", 260), "/a");
    EXPECT_TRUE(KeyExists(kUser, "F\\old\\deep"));
    EXPECT_FALSE(KeyExists(kUser, "F\\new"));

    // Changes apply in the order given: a key emptied and written again keeps only the new value.
    RegistryEdit rename;
    rename.RemoveTree("F\\old");
    rename.RemoveValue("U", "GONE");
    rename.WriteString("F\\new", "folder", "/b");
    rename.RemoveTree("F\\new");
    rename.WriteDword("F\\new", "n", 7);
    EXPECT_TRUE(rename.Commit(kUser));
    EXPECT_FALSE(KeyExists(kUser, "F\\old"));
    EXPECT_FALSE(ValueExists(kUser, "U", "gone"));
    EXPECT_FALSE(ValueExists(kUser, "F\\new", "folder"));
    EXPECT_EQ(ReadDwordValue(kUser, "F\\new", "n"), 7u);
}

TEST_F(RegistryTest, DeleteValueReportsWhetherThereWasOne)
{
    ASSERT_TRUE(WriteDwordValue(kUser, kKey, "n", 1));
    EXPECT_TRUE(DeleteValue(kUser, kKey, "N"));
    EXPECT_FALSE(ValueExists(kUser, kKey, "n"));
    EXPECT_FALSE(DeleteValue(kUser, kKey, "n"));
    EXPECT_TRUE(KeyExists(kUser, kKey));
}

TEST_F(RegistryTest, AppendUniqueEntryAddsOnlyWhatIsMissing)
{
    EXPECT_FALSE(AppendUniqueEntry(kUser, kKey, "list", {}));
    ASSERT_TRUE(AppendUniqueEntry(kUser, kKey, "list", Bytes({1, 2})));
    ASSERT_TRUE(AppendUniqueEntry(kUser, kKey, "list", Bytes({3, 4})));
    ASSERT_TRUE(AppendUniqueEntry(kUser, kKey, "list", Bytes({1, 2})));
    EXPECT_EQ(ReadBytes(kKey, "list"), Bytes({1, 2, 3, 4}));
    // Entries are compared at entry boundaries only: {2, 3} straddles two entries.
    ASSERT_TRUE(AppendUniqueEntry(kUser, kKey, "list", Bytes({2, 3})));
    EXPECT_EQ(ReadBytes(kKey, "list"), Bytes({1, 2, 3, 4, 2, 3}));
    // A trailing part shorter than an entry is dropped so the new entry stays aligned.
    ASSERT_TRUE(WriteBinaryValue(kUser, kKey, "ragged", Bytes({1, 2, 3})));
    ASSERT_TRUE(AppendUniqueEntry(kUser, kKey, "ragged", Bytes({5, 6})));
    EXPECT_EQ(ReadBytes(kKey, "ragged"), Bytes({1, 2, 5, 6}));
}

TEST_F(RegistryTest, TheMachineRootIsASeparateDatabase)
{
    ASSERT_TRUE(WriteStringValue(RegistryRoot::LocalMachine, "SOFTWARE\\QUILLMARK\\Vireo", "Installed Folder",
                                 "/opt"));
    EXPECT_FALSE(ReadStringValue(kUser, "SOFTWARE\\QUILLMARK\\Vireo", "Installed Folder", 260));
    EXPECT_EQ(
        ReadStringValue(RegistryRoot::LocalMachine, "SOFTWARE\\QUILLMARK\\Vireo", "Installed Folder", 260),
        "/opt");
    EXPECT_TRUE(std::filesystem::exists(home.path() / ".config/quillmark/vireo/machine.db"));
    EXPECT_FALSE(std::filesystem::exists(home.path() / ".config/quillmark/vireo/user.db"));
}

TEST_F(RegistryTest, ADeletedStoreReadsEmptyAndIsMadeAgainOnTheNextWrite)
{
    ASSERT_TRUE(WriteDwordValue(kUser, kKey, "n", 1));
    std::filesystem::remove_all(home.path() / ".config/quillmark");
    EXPECT_FALSE(ReadDwordValue(kUser, kKey, "n"));
    ASSERT_TRUE(WriteDwordValue(kUser, kKey, "m", 2));
    EXPECT_EQ(ReadDwordValue(kUser, kKey, "m"), 2u);
    EXPECT_FALSE(ReadDwordValue(kUser, kKey, "n"));
}

// Until `read` gives `expected`, for at most a second; what it gave last.
template <typename Read, typename Value>
Value ReadUntil(Read read, const Value& expected)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    Value value = read();
    while (value != expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        value = read();
    }
    return value;
}

// Another program writing the store (here: a connection of its own, outside this program's pool)
// is seen within moments, though readings are cached; and every change is seen, however many.
TEST_F(RegistryTest, ReadsSeeWhatAnotherProgramWrote)
{
    ASSERT_TRUE(WriteDwordValue(kUser, kKey, "n", 0));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(RegistryDatabasePath(kUser)->c_str(), &other), SQLITE_OK);
    auto run = [other](const std::string& sql) {
        return sqlite3_exec(other, sql.c_str(), nullptr, nullptr, nullptr);
    };
    using Reading = std::optional<std::uint32_t>;
    for (int round = 1; round <= 20; ++round) {
        EXPECT_EQ(ReadDwordValue(kUser, kKey, "n"), static_cast<std::uint32_t>(round - 1));
        EXPECT_FALSE(ReadDwordValue(kUser, kKey, "added"));
        char low_byte[3];
        std::snprintf(low_byte, sizeof low_byte, "%02x", round);
        ASSERT_EQ(
            run("UPDATE registry_values SET data = x'" + std::string(low_byte) + "000000' WHERE name = 'n'"),
            SQLITE_OK);
        ASSERT_EQ(
            run("INSERT INTO registry_values VALUES ('" + std::string(kKey) + "', 'added', 4, x'01000000')"),
            SQLITE_OK);
        EXPECT_EQ(ReadUntil([] { return ReadDwordValue(kUser, kKey, "N"); }, Reading(round)), Reading(round));
        EXPECT_EQ(ReadUntil([] { return ReadDwordValue(kUser, kKey, "added"); }, Reading(1)), Reading(1));
        ASSERT_EQ(run("DELETE FROM registry_values WHERE name = 'added'"), SQLITE_OK);
        EXPECT_EQ(ReadUntil([] { return ReadDwordValue(kUser, kKey, "added"); }, Reading()), Reading());
    }
    sqlite3_close(other);
}

TEST_F(RegistryTest, ReadingsOfKeysAndNamesThatRunTogetherStayApart)
{
    ASSERT_TRUE(WriteDwordValue(kUser, "K\nA", "B", 1));
    ASSERT_TRUE(WriteDwordValue(kUser, "K", "A\nB", 2));
    for (int round = 0; round < 2; ++round) {  // from the store, then from memory
        EXPECT_EQ(ReadDwordValue(kUser, "K\nA", "B"), 1u);
        EXPECT_EQ(ReadDwordValue(kUser, "K", "A\nB"), 2u);
        EXPECT_FALSE(ReadDwordValue(kUser, "K\nA\n", "B"));
    }
}

TEST(RegistryHomeTest, EachHomeHasItsOwnStore)
{
    {
        TestHome first;
        ASSERT_TRUE(WriteDwordValue(kUser, kKey, "n", 1));
    }
    TestHome second;
    EXPECT_FALSE(ReadDwordValue(kUser, kKey, "n"));
}

}  // namespace
}  // namespace vireo::testing
