#include "settings/settings.h"

namespace vireo {

using namespace setting;

std::uint16_t GetListenPort()
{
    return static_cast<std::uint16_t>(Read(kListenPort));
}
bool SetListenPort(std::uint32_t port)
{
    return Write(kListenPort, port & 0xFFFF);
}
Ipv4Address GetListenIp()
{
    return Read(kListenIp);
}
bool SetListenIp(const Ipv4Address& address)
{
    return Write(kListenIp, address);
}

std::string GetMainPageTitle()
{
    return Read(kMainPageTitle).value_or(std::string(kMainPageTitle.fallback));
}
bool SetMainPageTitle(std::string_view title)
{
    return Write(kMainPageTitle, title);
}
HomePageType GetHomePageType()
{
    return static_cast<HomePageType>(Read(kHomePageType));
}
bool SetHomePageType(std::uint32_t type)
{
    return Write(kHomePageType, type);
}
IpFilterType GetIpFilterType()
{
    return static_cast<IpFilterType>(Read(kIpFilterType));
}
bool SetIpFilterType(std::uint32_t type)
{
    return Write(kIpFilterType, type > kIpFilterType.max ? kIpFilterType.fallback : type);
}
std::uint32_t GetChatRoomMaxMember()
{
    return Read(kChatRoomMaxMember);
}
bool SetChatRoomMaxMember(std::uint32_t members)
{
    return Write(kChatRoomMaxMember, members);
}

bool GetDynamicFolderVisible()
{
    return Read(kDynamicFolderVisible);
}
bool SetDynamicFolderVisible(bool visible)
{
    return Write(kDynamicFolderVisible, visible);
}
bool GetEnableLog()
{
    return Read(kEnableLog);
}
bool SetEnableLog(bool enable)
{
    return Write(kEnableLog, enable);
}
bool GetLogSelf()
{
    return Read(kLogSelf);
}
bool SetLogSelf(bool log_self)
{
    return Write(kLogSelf, log_self);
}
bool GetUsePasswords()
{
    return Read(kUsePasswords);
}
bool SetUsePasswords(bool use)
{
    return Write(kUsePasswords, use);
}
bool GetUseAutoBlockList()
{
    return Read(kUseAutoBlockList);
}
bool SetUseAutoBlockList(bool use)
{
    return Write(kUseAutoBlockList, use);
}
bool GetEnableGuestbook()
{
    return Read(kEnableGuestbook);
}
bool SetEnableGuestbook(bool enable)
{
    return Write(kEnableGuestbook, enable);
}
bool GetGuestbookAlarm()
{
    return Read(kGuestbookAlarm);
}
bool SetGuestbookAlarm(bool alarm)
{
    return Write(kGuestbookAlarm, alarm);
}
bool GetAutoStartChatRoom()
{
    return Read(kAutoStartChatRoom);
}
bool SetAutoStartChatRoom(bool auto_start)
{
    return Write(kAutoStartChatRoom, auto_start);
}
bool GetAsWebCommHost()
{
    return Read(kAsWebCommHost);
}
bool SetAsWebCommHost(bool host)
{
    return Write(kAsWebCommHost, host);
}
bool GetAsWebCommMember()
{
    return Read(kAsWebCommMember);
}
bool SetAsWebCommMember(bool member)
{
    return Write(kAsWebCommMember, member);
}

std::optional<std::string> GetSiteIntro()
{
    return Read(kSiteIntro);
}
bool SetSiteIntro(std::string_view text)
{
    return Write(kSiteIntro, text);
}
std::optional<std::string> GetHomePageFile()
{
    return Read(kHomePageFile);
}
bool SetHomePageFile(std::string_view name)
{
    return Write(kHomePageFile, name);
}
std::optional<std::string> GetGuestbookDir()
{
    return Read(kGuestbookDir);
}
bool SetGuestbookDir(std::string_view folder)
{
    return Write(kGuestbookDir, folder);
}
std::optional<std::string> GetWebChatWelcomeMsg()
{
    return Read(kWebChatWelcomeMsg);
}
bool SetWebChatWelcomeMsg(std::string_view message)
{
    return Write(kWebChatWelcomeMsg, message);
}
std::optional<std::string> GetWebCommNameAsHost()
{
    return Read(kWebCommNameAsHost);
}
bool SetWebCommNameAsHost(std::string_view name)
{
    return Write(kWebCommNameAsHost, name);
}
std::optional<std::string> GetWebCommDescAsHost()
{
    return Read(kWebCommDescAsHost);
}
bool SetWebCommDescAsHost(std::string_view description)
{
    return Write(kWebCommDescAsHost, description);
}
std::optional<std::string> GetLastFolder()
{
    return Read(kLastFolder);
}
bool SetLastFolder(std::string_view folder)
{
    return Write(kLastFolder, folder);
}

}  // namespace vireo
