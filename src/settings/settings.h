#pragma once

// The program's settings with their own types. Each is declared in settings_catalog.h (its name
// in the store, default and bounds) and read from the store on every call, so a change made by the
// desktop dialogs or by `vireo config` applies to the very next request. A value that is missing,
// of the wrong type or too large for its reader reads as its default. Setters return false when
// the store cannot be written.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/ipv4.h"
#include "platform/run_at_logon.h"
#include "settings/address_list.h"
#include "settings/guestbook_folder.h"
#include "settings/settings_catalog.h"
#include "settings/settings_folders.h"
#include "settings/settings_users.h"

namespace vireo {

enum class HomePageType : std::uint32_t {
    Generated = 0,      // the home page the server builds
    HtmlFile = 1,       // a dynamic file named by "HomePageFile"
    ExtensionFile = 2,  // an extension file named by "HomePageFile"
};

enum class IpFilterType : std::uint32_t {
    Off = 0,
    AllowedOnly = 1,  // only matching addresses may connect
    Forbidden = 2,    // matching addresses may not connect
};

// "listen_port": 80 when absent or 0, 65535 when above. The setter stores the low 16 bits.
std::uint16_t GetListenPort();
bool SetListenPort(std::uint32_t port);
// "listen_ip": the address the listener binds to; 0.0.0.0 (all addresses) when absent.
Ipv4Address GetListenIp();
bool SetListenIp(const Ipv4Address& address);

// "mainpagetitle", at most 79 bytes; the default title otherwise.
std::string GetMainPageTitle();
bool SetMainPageTitle(std::string_view title);
// "siteintro": cut at 510 bytes (never inside a character), trimmed; nothing when that is empty.
std::optional<std::string> GetSiteIntro();
bool SetSiteIntro(std::string_view text);
// "HomePageType": Generated when absent or above 2.
HomePageType GetHomePageType();
bool SetHomePageType(std::uint32_t type);
// "HomePageFile": what the home page type names.
std::optional<std::string> GetHomePageFile();
bool SetHomePageFile(std::string_view name);
// "DynamicFolderVisible": list the dynamic files on the home page.
bool GetDynamicFolderVisible();
bool SetDynamicFolderVisible(bool visible);

// "enablelog" and "logself" (also log requests from this computer).
bool GetEnableLog();
bool SetEnableLog(bool enable);
bool GetLogSelf();
bool SetLogSelf(bool log_self);

// "Use Passwords", "IPFilterType" (Off when absent or above 2; the setter stores 0 for any value
// above 2) and "Use AutoBlockList".
bool GetUsePasswords();
bool SetUsePasswords(bool use);
IpFilterType GetIpFilterType();
bool SetIpFilterType(std::uint32_t type);
bool GetUseAutoBlockList();
bool SetUseAutoBlockList(bool use);

// "EnableGuestbook", "GuestbookAlarm" and "GuestbookDir" (the stored folder as it is; see
// GetGuestbookFolder for the folder in use).
bool GetEnableGuestbook();
bool SetEnableGuestbook(bool enable);
bool GetGuestbookAlarm();
bool SetGuestbookAlarm(bool alarm);
std::optional<std::string> GetGuestbookDir();
bool SetGuestbookDir(std::string_view folder);

// "AutoStartChatRoom", "ChatRoomMaxMember" (16 when absent; stored as it is given) and
// "WebChatWelcomeMsg".
bool GetAutoStartChatRoom();
bool SetAutoStartChatRoom(bool auto_start);
std::uint32_t GetChatRoomMaxMember();
bool SetChatRoomMaxMember(std::uint32_t members);
std::optional<std::string> GetWebChatWelcomeMsg();
bool SetWebChatWelcomeMsg(std::string_view message);

// "AsWebCommHost", "AsWebCommMember", "WebCommNameAsHost" and "WebCommDescAsHost".
bool GetAsWebCommHost();
bool SetAsWebCommHost(bool host);
bool GetAsWebCommMember();
bool SetAsWebCommMember(bool member);
std::optional<std::string> GetWebCommNameAsHost();
bool SetWebCommNameAsHost(std::string_view name);
std::optional<std::string> GetWebCommDescAsHost();
bool SetWebCommDescAsHost(std::string_view description);

// "lastfolder": the folder last chosen in the folder browser.
std::optional<std::string> GetLastFolder();
bool SetLastFolder(std::string_view folder);

}  // namespace vireo
