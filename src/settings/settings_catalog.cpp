#include "settings/settings_catalog.h"

#include <algorithm>
#include <array>

#include "base/ascii_case.h"
#include "settings/settings.h"

namespace vireo {

namespace {

// The largest chat room the chat start dialog's three digits can ask for.
constexpr std::uint32_t kMaxChatRoomMembers = 999;

TextSetting Text(std::optional<std::string> (*get)(), bool (*set)(std::string_view), std::size_t capacity)
{
    return {get, set, "", capacity - 1};
}

const std::array<SettingEntry, 25> kCatalog = {{
    {"listen_port", NumberSetting{[] { return std::uint32_t{GetListenPort()}; }, SetListenPort,
                                  kDefaultListenPort, 1, 65535}},
    {"listen_ip", AddressSetting{GetListenIp, SetListenIp}},
    {"mainpagetitle", TextSetting{[] { return std::optional(GetMainPageTitle()); }, SetMainPageTitle,
                                  kDefaultMainPageTitle, kMainPageTitleCapacity - 1}},
    {"siteintro", TextSetting{GetSiteIntro, SetSiteIntro, "", kSiteIntroMaxBytes}},
    {"HomePageType",
     NumberSetting{[] { return static_cast<std::uint32_t>(GetHomePageType()); }, SetHomePageType, 0, 0, 2}},
    {"HomePageFile", Text(GetHomePageFile, SetHomePageFile, kPathCapacity)},
    {"enablelog", FlagSetting{GetEnableLog, SetEnableLog, kDefaultEnableLog}},
    {"logself", FlagSetting{GetLogSelf, SetLogSelf, kDefaultLogSelf}},
    {"DynamicFolderVisible",
     FlagSetting{GetDynamicFolderVisible, SetDynamicFolderVisible, kDefaultDynamicFolderVisible}},
    {"Use Passwords", FlagSetting{GetUsePasswords, SetUsePasswords, kDefaultUsePasswords}},
    {"IPFilterType",
     NumberSetting{[] { return static_cast<std::uint32_t>(GetIpFilterType()); }, SetIpFilterType, 0, 0, 2}},
    {"IPFilterList", AddressListSetting{GetIpFilterList, SetIpFilterList}},
    {"Use AutoBlockList", FlagSetting{GetUseAutoBlockList, SetUseAutoBlockList, kDefaultUseAutoBlockList}},
    {"AutoBlockList", AddressListSetting{GetAutoBlockList, SetAutoBlockList}},
    {"EnableGuestbook", FlagSetting{GetEnableGuestbook, SetEnableGuestbook, kDefaultEnableGuestbook}},
    {"GuestbookAlarm", FlagSetting{GetGuestbookAlarm, SetGuestbookAlarm, kDefaultGuestbookAlarm}},
    {"GuestbookDir", Text(GetGuestbookDir, SetGuestbookDir, kPathCapacity)},
    {"AutoStartChatRoom", FlagSetting{GetAutoStartChatRoom, SetAutoStartChatRoom, kDefaultAutoStartChatRoom}},
    {"ChatRoomMaxMember", NumberSetting{GetChatRoomMaxMember, SetChatRoomMaxMember, kDefaultChatRoomMaxMember,
                                        2, kMaxChatRoomMembers}},
    {"WebChatWelcomeMsg", Text(GetWebChatWelcomeMsg, SetWebChatWelcomeMsg, kChatWelcomeCapacity)},
    {"AsWebCommHost", FlagSetting{GetAsWebCommHost, SetAsWebCommHost, kDefaultAsWebCommHost}},
    {"AsWebCommMember", FlagSetting{GetAsWebCommMember, SetAsWebCommMember, kDefaultAsWebCommMember}},
    {"WebCommNameAsHost", Text(GetWebCommNameAsHost, SetWebCommNameAsHost, kCommunityTextCapacity)},
    {"WebCommDescAsHost", Text(GetWebCommDescAsHost, SetWebCommDescAsHost, kCommunityTextCapacity)},
    {"lastfolder", Text(GetLastFolder, SetLastFolder, kPathCapacity)},
}};

}  // namespace

std::span<const SettingEntry> SettingsCatalog()
{
    return kCatalog;
}

const SettingEntry* FindSetting(std::string_view name)
{
    auto found = std::ranges::find_if(
        kCatalog, [name](const SettingEntry& entry) { return EqualsIgnoreCase(entry.name, name); });
    return found == kCatalog.end() ? nullptr : &*found;
}

}  // namespace vireo
