#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include "platform/registry.h"
#include "settings/store_values.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;
using store::kSettingsKey;

void StoreNumber(std::string_view name, std::uint32_t value)
{
    ASSERT_TRUE(WriteDwordValue(kUser, kSettingsKey, name, value));
}

void StoreText(std::string_view name, std::string_view text)
{
    ASSERT_TRUE(WriteStringValue(kUser, kSettingsKey, name, text));
}

std::optional<std::uint32_t> StoredNumber(std::string_view name)
{
    return ReadDwordValue(kUser, kSettingsKey, name);
}

class SettingsTest : public ::testing::Test {
protected:
    TestHome home;
};

TEST_F(SettingsTest, AFreshStoreReadsEveryDefault)
{
    EXPECT_EQ(GetListenPort(), 80);
    EXPECT_EQ(GetListenIp(), (Ipv4Address{0, 0, 0, 0}));
    EXPECT_EQ(GetMainPageTitle(), "Welcome to My Website!");
    EXPECT_FALSE(GetSiteIntro());
    EXPECT_EQ(GetHomePageType(), HomePageType::Generated);
    EXPECT_FALSE(GetHomePageFile());
    EXPECT_FALSE(GetEnableLog());
    EXPECT_TRUE(GetLogSelf());
    EXPECT_TRUE(GetDynamicFolderVisible());
    EXPECT_FALSE(GetUsePasswords());
    EXPECT_EQ(GetIpFilterType(), IpFilterType::Off);
    EXPECT_TRUE(GetUseAutoBlockList());
    EXPECT_FALSE(GetEnableGuestbook());
    EXPECT_FALSE(GetGuestbookAlarm());
    EXPECT_FALSE(GetGuestbookDir());
    EXPECT_FALSE(GetAutoStartChatRoom());
    EXPECT_EQ(GetChatRoomMaxMember(), 16u);
    EXPECT_FALSE(GetWebChatWelcomeMsg());
    EXPECT_FALSE(GetAsWebCommHost());
    EXPECT_FALSE(GetAsWebCommMember());
    EXPECT_FALSE(GetWebCommNameAsHost());
    EXPECT_FALSE(GetWebCommDescAsHost());
    EXPECT_FALSE(GetLastFolder());
    // Reading every default wrote nothing.
    EXPECT_FALSE(std::filesystem::exists(*RegistryDatabasePath(kUser)));
}

TEST_F(SettingsTest, ListenPortIsBoundedAndTheSetterKeepsTheLow16Bits)
{
    struct Case {
        std::uint32_t stored;
        std::uint16_t read;
    };
    for (const Case& c : {Case{0, 80}, Case{1, 1}, Case{8080, 8080}, Case{65535, 65535}, Case{65536, 65535},
                          Case{70000, 65535}, Case{0xFFFFFFFF, 65535}}) {
        StoreNumber("listen_port", c.stored);
        EXPECT_EQ(GetListenPort(), c.read) << c.stored;
    }
    ASSERT_TRUE(SetListenPort(65616));
    EXPECT_EQ(StoredNumber("listen_port"), 80u);
    ASSERT_TRUE(SetListenPort(65536));
    EXPECT_EQ(GetListenPort(), 80);  // stored as 0
}

TEST_F(SettingsTest, ListenIpKeepsTheFirstOctetInTheLowestByte)
{
    ASSERT_TRUE(SetListenIp({192, 168, 1, 20}));
    EXPECT_EQ(StoredNumber("listen_ip"), 0x1401A8C0u);
    EXPECT_EQ(GetListenIp(), (Ipv4Address{192, 168, 1, 20}));
}

TEST_F(SettingsTest, PageAndFilterTypesAboveTwoReadAsZero)
{
    for (std::uint32_t stored : {0u, 1u, 2u, 3u, 7u, 0xFFFFFFFFu}) {
        StoreNumber("IPFilterType", stored);
        StoreNumber("HomePageType", stored);
        const std::uint32_t expected = stored > 2 ? 0 : stored;
        EXPECT_EQ(static_cast<std::uint32_t>(GetIpFilterType()), expected) << stored;
        EXPECT_EQ(static_cast<std::uint32_t>(GetHomePageType()), expected) << stored;
    }
    ASSERT_TRUE(SetIpFilterType(5));
    EXPECT_EQ(StoredNumber("IPFilterType"), 0u);
    ASSERT_TRUE(SetIpFilterType(2));
    EXPECT_EQ(GetIpFilterType(), IpFilterType::Forbidden);
}

TEST_F(SettingsTest, FlagsReadAnyNonzeroAsTrueAndStoreZeroOrOne)
{
    StoreNumber("enablelog", 7);
    EXPECT_TRUE(GetEnableLog());
    StoreNumber("logself", 0);
    EXPECT_FALSE(GetLogSelf());
    ASSERT_TRUE(SetUsePasswords(true));
    EXPECT_EQ(StoredNumber("Use Passwords"), 1u);
    ASSERT_TRUE(SetUseAutoBlockList(false));
    EXPECT_EQ(StoredNumber("Use AutoBlockList"), 0u);
    EXPECT_FALSE(GetUseAutoBlockList());
}

TEST_F(SettingsTest, AValueOfTheWrongTypeReadsAsTheDefault)
{
    StoreText("listen_port", "8080");
    StoreText("logself", "0");
    ASSERT_TRUE(WriteDwordValue(kUser, kSettingsKey, "mainpagetitle", 1));
    EXPECT_EQ(GetListenPort(), 80);
    EXPECT_TRUE(GetLogSelf());
    EXPECT_EQ(GetMainPageTitle(), "Welcome to My Website!");
}

TEST_F(SettingsTest, TitleOf80BytesOrMoreReadsAsTheDefault)
{
    StoreText("mainpagetitle", std::string(79, 't'));
    EXPECT_EQ(GetMainPageTitle(), std::string(79, 't'));
    StoreText("mainpagetitle", std::string(80, 't'));
    EXPECT_EQ(GetMainPageTitle(), "Welcome to My Website!");
}

TEST_F(SettingsTest, SiteIntroIsTrimmedCutAndBlankMeansNone)
{
    StoreText("siteintro", " \r\n\t \r\n");
    EXPECT_FALSE(GetSiteIntro());
    StoreText("siteintro", "\r\n  About us.  \n");
    EXPECT_EQ(GetSiteIntro(), "About us.");
    // A cut at 510 bytes that would split "é" (bytes 509 and 510) falls before it.
    StoreText("siteintro", std::string(509, 'x') + "\xC3\xA9" + "tail");
    EXPECT_EQ(GetSiteIntro(), std::string(509, 'x'));
    StoreText("siteintro", std::string(515, 'y'));
    EXPECT_EQ(GetSiteIntro(), std::string(510, 'y'));
    StoreText("siteintro", std::string(520, 'z'));
    EXPECT_FALSE(GetSiteIntro());
}

TEST_F(SettingsTest, TextsRoundTripWithinTheirCapacity)
{
    struct Case {
        bool (*set)(std::string_view);
        std::optional<std::string> (*get)();
        std::size_t capacity;
    };
    const Case cases[] = {
        {SetHomePageFile, GetHomePageFile, 260},
        {SetGuestbookDir, GetGuestbookDir, 260},
        {SetLastFolder, GetLastFolder, 260},
        {SetWebChatWelcomeMsg, GetWebChatWelcomeMsg, 256},
        {SetWebCommNameAsHost, GetWebCommNameAsHost, 256},
        {SetWebCommDescAsHost, GetWebCommDescAsHost, 256},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.set("Grüße"));
        EXPECT_EQ(c.get(), "Grüße");
        ASSERT_TRUE(c.set(std::string(c.capacity - 1, 'a')));
        EXPECT_EQ(c.get(), std::string(c.capacity - 1, 'a'));
        ASSERT_TRUE(c.set(std::string(c.capacity, 'a')));
        EXPECT_FALSE(c.get()) << c.capacity;
    }
}

TEST_F(SettingsTest, ChangesShowAtTheNextRead)
{
    EXPECT_FALSE(GetEnableGuestbook());
    StoreNumber("EnableGuestbook", 1);
    EXPECT_TRUE(GetEnableGuestbook());
    ASSERT_TRUE(SetChatRoomMaxMember(1));
    EXPECT_EQ(GetChatRoomMaxMember(), 1u);
    ASSERT_TRUE(DeleteValue(kUser, kSettingsKey, "ChatRoomMaxMember"));
    EXPECT_EQ(GetChatRoomMaxMember(), 16u);
}

TEST_F(SettingsTest, TheCatalogNamesEachStoredValueOnceAndReadsWhatTheAccessorsRead)
{
    std::set<std::string> names;
    for (const SettingEntry& entry : SettingsCatalog()) {
        std::string lowered(SettingName(entry));
        for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(names.insert(lowered).second) << lowered;
        const SettingEntry* found = FindSetting(lowered);
        ASSERT_NE(found, nullptr) << lowered;
        EXPECT_EQ(SettingName(*found), SettingName(entry));
    }
    EXPECT_EQ(names.size(), 28u);
    EXPECT_EQ(FindSetting("no such setting"), nullptr);

    // A value written through the catalog is the one the program reads, by the same rules.
    StoreNumber("listen_port", 70000);
    EXPECT_EQ(Read(std::get<NumberSetting>(*FindSetting("LISTEN_PORT"))), 65535u);
    EXPECT_EQ(GetListenPort(), 65535);
    ASSERT_TRUE(Write(std::get<FlagSetting>(*FindSetting("use autoblocklist")), false));
    EXPECT_FALSE(GetUseAutoBlockList());
    StoreText("siteintro", "  hello  ");
    EXPECT_EQ(Read(std::get<TextSetting>(*FindSetting("siteintro"))), "hello");
    ASSERT_TRUE(Write(std::get<AddressListSetting>(*FindSetting("autoblocklist")),
                      AddressList{{10, 0, 0, 1}, {10, 0, 0, 2}}));
    EXPECT_TRUE(IsInAutoBlockList({10, 0, 0, 2}));
}

}  // namespace
}  // namespace vireo::testing
