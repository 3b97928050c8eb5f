#include "settings/settings.h"

#include "base/text_helpers.h"
#include "base/utf8.h"
#include "settings/store_values.h"

namespace vireo {

namespace {

using store::kSettingsKey;

bool ReadFlag(std::string_view name, bool fallback)
{
    return store::ReadFlag(kSettingsKey, name, fallback);
}
bool WriteFlag(std::string_view name, bool value)
{
    return store::WriteFlag(kSettingsKey, name, value);
}
std::optional<std::uint32_t> ReadNumber(std::string_view name)
{
    return store::ReadNumber(kSettingsKey, name);
}
bool WriteNumber(std::string_view name, std::uint32_t value)
{
    return store::WriteNumber(kSettingsKey, name, value);
}
std::optional<std::string> ReadText(std::string_view name, std::size_t capacity)
{
    return store::ReadText(kSettingsKey, name, capacity);
}
bool WriteText(std::string_view name, std::string_view text)
{
    return store::WriteText(kSettingsKey, name, text);
}

// The page and filter types know three values; anything above reads as the first.
std::uint32_t ReadType(std::string_view name)
{
    std::uint32_t type = ReadNumber(name).value_or(0);
    return type > 2 ? 0 : type;
}

}  // namespace

std::uint16_t GetListenPort()
{
    std::uint32_t port = ReadNumber("listen_port").value_or(0);
    if (port == 0) return kDefaultListenPort;
    return port > 65535 ? 65535 : static_cast<std::uint16_t>(port);
}

bool SetListenPort(std::uint32_t port)
{
    return WriteNumber("listen_port", port & 0xFFFF);
}

// The number holds the first octet in its lowest byte, as a socket address does in memory.
Ipv4Address GetListenIp()
{
    std::uint32_t value = ReadNumber("listen_ip").value_or(0);
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

bool SetListenIp(const Ipv4Address& address)
{
    return WriteNumber("listen_ip", address[0] | address[1] << 8 | address[2] << 16 |
                                        static_cast<std::uint32_t>(address[3]) << 24);
}

std::string GetMainPageTitle()
{
    return ReadText("mainpagetitle", kMainPageTitleCapacity).value_or(std::string(kDefaultMainPageTitle));
}

bool SetMainPageTitle(std::string_view title)
{
    return WriteText("mainpagetitle", title);
}

std::optional<std::string> GetSiteIntro()
{
    std::optional<std::string> text = ReadText("siteintro", kSiteIntroCapacity);
    if (!text) return std::nullopt;
    text->resize(CutUtf8(*text, kSiteIntroMaxBytes).size());
    if (TrimText(*text) == 0) return std::nullopt;
    return text;
}

bool SetSiteIntro(std::string_view text)
{
    return WriteText("siteintro", text);
}

HomePageType GetHomePageType()
{
    return static_cast<HomePageType>(ReadType("HomePageType"));
}
bool SetHomePageType(std::uint32_t type)
{
    return WriteNumber("HomePageType", type);
}
std::optional<std::string> GetHomePageFile()
{
    return ReadText("HomePageFile", kPathCapacity);
}
bool SetHomePageFile(std::string_view name)
{
    return WriteText("HomePageFile", name);
}
bool GetDynamicFolderVisible()
{
    return ReadFlag("DynamicFolderVisible", kDefaultDynamicFolderVisible);
}
bool SetDynamicFolderVisible(bool visible)
{
    return WriteFlag("DynamicFolderVisible", visible);
}

bool GetEnableLog()
{
    return ReadFlag("enablelog", kDefaultEnableLog);
}
bool SetEnableLog(bool enable)
{
    return WriteFlag("enablelog", enable);
}
bool GetLogSelf()
{
    return ReadFlag("logself", kDefaultLogSelf);
}
bool SetLogSelf(bool log_self)
{
    return WriteFlag("logself", log_self);
}

bool GetUsePasswords()
{
    return ReadFlag("Use Passwords", kDefaultUsePasswords);
}
bool SetUsePasswords(bool use)
{
    return WriteFlag("Use Passwords", use);
}
IpFilterType GetIpFilterType()
{
    return static_cast<IpFilterType>(ReadType("IPFilterType"));
}
bool SetIpFilterType(std::uint32_t type)
{
    return WriteNumber("IPFilterType", type > 2 ? 0 : type);
}
bool GetUseAutoBlockList()
{
    return ReadFlag("Use AutoBlockList", kDefaultUseAutoBlockList);
}
bool SetUseAutoBlockList(bool use)
{
    return WriteFlag("Use AutoBlockList", use);
}

bool GetEnableGuestbook()
{
    return ReadFlag("EnableGuestbook", kDefaultEnableGuestbook);
}
bool SetEnableGuestbook(bool enable)
{
    return WriteFlag("EnableGuestbook", enable);
}
bool GetGuestbookAlarm()
{
    return ReadFlag("GuestbookAlarm", kDefaultGuestbookAlarm);
}
bool SetGuestbookAlarm(bool alarm)
{
    return WriteFlag("GuestbookAlarm", alarm);
}
std::optional<std::string> GetGuestbookDir()
{
    return ReadText("GuestbookDir", kPathCapacity);
}
bool SetGuestbookDir(std::string_view folder)
{
    return WriteText("GuestbookDir", folder);
}

bool GetAutoStartChatRoom()
{
    return ReadFlag("AutoStartChatRoom", kDefaultAutoStartChatRoom);
}
bool SetAutoStartChatRoom(bool auto_start)
{
    return WriteFlag("AutoStartChatRoom", auto_start);
}
std::uint32_t GetChatRoomMaxMember()
{
    return ReadNumber("ChatRoomMaxMember").value_or(kDefaultChatRoomMaxMember);
}
bool SetChatRoomMaxMember(std::uint32_t members)
{
    return WriteNumber("ChatRoomMaxMember", members);
}
std::optional<std::string> GetWebChatWelcomeMsg()
{
    return ReadText("WebChatWelcomeMsg", kChatWelcomeCapacity);
}
bool SetWebChatWelcomeMsg(std::string_view message)
{
    return WriteText("WebChatWelcomeMsg", message);
}

bool GetAsWebCommHost()
{
    return ReadFlag("AsWebCommHost", kDefaultAsWebCommHost);
}
bool SetAsWebCommHost(bool host)
{
    return WriteFlag("AsWebCommHost", host);
}
bool GetAsWebCommMember()
{
    return ReadFlag("AsWebCommMember", kDefaultAsWebCommMember);
}
bool SetAsWebCommMember(bool member)
{
    return WriteFlag("AsWebCommMember", member);
}
std::optional<std::string> GetWebCommNameAsHost()
{
    return ReadText("WebCommNameAsHost", kCommunityTextCapacity);
}
bool SetWebCommNameAsHost(std::string_view name)
{
    return WriteText("WebCommNameAsHost", name);
}
std::optional<std::string> GetWebCommDescAsHost()
{
    return ReadText("WebCommDescAsHost", kCommunityTextCapacity);
}
bool SetWebCommDescAsHost(std::string_view description)
{
    return WriteText("WebCommDescAsHost", description);
}

std::optional<std::string> GetLastFolder()
{
    return ReadText("lastfolder", kPathCapacity);
}
bool SetLastFolder(std::string_view folder)
{
    return WriteText("lastfolder", folder);
}

}  // namespace vireo
