#include "settings/address_list.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/registry.h"
#include "settings/settings.h"
#include "settings/store_values.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

std::vector<std::uint8_t> StoredBytes(std::string_view name)
{
    std::optional<BinaryValue> value = ReadBinaryValue(RegistryRoot::CurrentUser, store::kSettingsKey, name);
    if (!value) return {};
    return {value->bytes().begin(), value->bytes().end()};
}

class AddressListTest : public ::testing::Test {
protected:
    TestHome home;
};

TEST_F(AddressListTest, ListsAreEmptyUntilWrittenAndKeepTheirOrder)
{
    EXPECT_TRUE(GetIpFilterList().empty());
    EXPECT_TRUE(GetAutoBlockList().empty());
    const AddressList list = {{192, 168, 255, 255}, {10, 0, 0, 1}, {1, 2, 3, 4}};
    ASSERT_TRUE(SetIpFilterList(list));
    EXPECT_EQ(GetIpFilterList(), list);
    EXPECT_EQ(StoredBytes("IPFilterList"),
              (std::vector<std::uint8_t>{192, 168, 255, 255, 10, 0, 0, 1, 1, 2, 3, 4}));
    EXPECT_TRUE(GetAutoBlockList().empty());
}

TEST_F(AddressListTest, AnEmptyListRemovesTheValue)
{
    ASSERT_TRUE(SetAutoBlockList(AddressList{{1, 2, 3, 4}}));
    ASSERT_TRUE(SetAutoBlockList({}));
    EXPECT_FALSE(ValueExists(RegistryRoot::CurrentUser, store::kSettingsKey, "AutoBlockList"));
    EXPECT_TRUE(SetAutoBlockList({}));  // already absent
}

TEST_F(AddressListTest, ATrailingPartialEntryIsIgnored)
{
    ASSERT_TRUE(WriteBinaryValue(RegistryRoot::CurrentUser, store::kSettingsKey, "AutoBlockList",
                                 std::vector<std::uint8_t>{9, 9, 9, 9, 8, 8}));
    EXPECT_EQ(GetAutoBlockList(), (AddressList{{9, 9, 9, 9}}));
}

TEST_F(AddressListTest, AppendingAddsOnceAndLeavesAPresentEntryUntouched)
{
    ASSERT_TRUE(AddToAutoBlockList({10, 1, 2, 3}));
    EXPECT_EQ(StoredBytes("AutoBlockList"), (std::vector<std::uint8_t>{10, 1, 2, 3}));
    ASSERT_TRUE(AddToAutoBlockList({10, 1, 2, 4}));
    const std::vector<std::uint8_t> before = StoredBytes("AutoBlockList");
    ASSERT_TRUE(AddToAutoBlockList({10, 1, 2, 3}));
    EXPECT_EQ(StoredBytes("AutoBlockList"), before);
    EXPECT_EQ(GetAutoBlockList(), (AddressList{{10, 1, 2, 3}, {10, 1, 2, 4}}));

    ASSERT_TRUE(AddToIpFilterList({10, 0, 0, 255}));
    EXPECT_EQ(GetIpFilterList(), (AddressList{{10, 0, 0, 255}}));
}

TEST_F(AddressListTest, AutoBlockMembershipIsExactInAllFourOctets)
{
    ASSERT_TRUE(SetAutoBlockList(AddressList{{192, 168, 4, 7}, {10, 255, 255, 255}}));
    EXPECT_TRUE(IsInAutoBlockList({192, 168, 4, 7}));
    EXPECT_TRUE(IsInAutoBlockList({10, 255, 255, 255}));
    EXPECT_FALSE(IsInAutoBlockList({192, 168, 4, 8}));
    EXPECT_FALSE(IsInAutoBlockList({10, 1, 2, 3}));  // 255 is no wildcard here
    EXPECT_FALSE(IsInAutoBlockList({7, 4, 168, 192}));
}

TEST_F(AddressListTest, ConcurrentAppendsLoseNothing)
{
    constexpr int kThreads = 8;
    constexpr int kPerThread = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kPerThread; ++i) {
                // Every thread also appends one address that all the others append too.
                EXPECT_TRUE(
                    AddToAutoBlockList({10, static_cast<std::uint8_t>(t), static_cast<std::uint8_t>(i), 1}));
                EXPECT_TRUE(AddToAutoBlockList({127, 0, 0, 1}));
            }
        });
    }
    for (std::thread& thread : threads) thread.join();

    const AddressList list = GetAutoBlockList();
    EXPECT_EQ(list.size(), static_cast<std::size_t>(kThreads * kPerThread + 1));
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kPerThread; ++i) {
            EXPECT_TRUE(
                IsInAutoBlockList({10, static_cast<std::uint8_t>(t), static_cast<std::uint8_t>(i), 1}));
        }
    }
}

TEST_F(AddressListTest, RemovalsBesideAppendsLoseNeitherAndEmptyListsAreNotStored)
{
    constexpr int kCount = 100;
    auto address = [](int group, int i) {
        return Ipv4Address{10, static_cast<std::uint8_t>(group), 0, static_cast<std::uint8_t>(i)};
    };
    for (int i = 0; i < kCount; ++i) ASSERT_TRUE(AddToAutoBlockList(address(1, i)));
    std::thread appender([&] {
        for (int i = 0; i < kCount; ++i) EXPECT_TRUE(AddToAutoBlockList(address(2, i)));
    });
    for (int i = 0; i < kCount; ++i) EXPECT_EQ(RemoveFromAutoBlockList(address(1, i)), EntryRemoval::Removed);
    appender.join();

    AddressList expected;
    for (int i = 0; i < kCount; ++i) expected.push_back(address(2, i));
    EXPECT_EQ(GetAutoBlockList(), expected);

    EXPECT_EQ(RemoveFromAutoBlockList(address(1, 0)), EntryRemoval::Absent);
    for (int i = 0; i < kCount; ++i) EXPECT_EQ(RemoveFromAutoBlockList(address(2, i)), EntryRemoval::Removed);
    EXPECT_FALSE(ReadBinaryValue(RegistryRoot::CurrentUser, store::kSettingsKey, "AutoBlockList"));
    EXPECT_EQ(RemoveFromIpFilterList(address(2, 0)), EntryRemoval::Absent);
}

TEST_F(AddressListTest, TheFilterListAndItsTypeAreStoredTogether)
{
    const AddressList list = {{10, 0, 0, 255}, {192, 168, 1, 7}};
    ASSERT_TRUE(SetIpFilter(list, 2));
    EXPECT_EQ(GetIpFilterList(), list);
    EXPECT_EQ(GetIpFilterType(), IpFilterType::Forbidden);
    ASSERT_TRUE(SetIpFilter({}, 7));
    EXPECT_FALSE(ReadBinaryValue(RegistryRoot::CurrentUser, store::kSettingsKey, "IPFilterList"));
    EXPECT_EQ(GetIpFilterType(), IpFilterType::Off);
}

TEST_F(AddressListTest, RemovingSeveralBlockedAddressesKeepsTheRestInOrder)
{
    for (std::uint8_t i = 1; i <= 4; ++i) ASSERT_TRUE(AddToAutoBlockList({10, 0, 0, i}));
    const AddressList chosen = {{10, 0, 0, 3}, {10, 0, 0, 1}, {10, 9, 9, 9}};
    ASSERT_TRUE(RemoveAllFromAutoBlockList(chosen));
    EXPECT_EQ(GetAutoBlockList(), (AddressList{{10, 0, 0, 2}, {10, 0, 0, 4}}));
    ASSERT_TRUE(RemoveAllFromAutoBlockList(GetAutoBlockList()));
    EXPECT_FALSE(ReadBinaryValue(RegistryRoot::CurrentUser, store::kSettingsKey, "AutoBlockList"));
    EXPECT_TRUE(RemoveAllFromAutoBlockList(chosen));
}

}  // namespace
}  // namespace vireo::testing
