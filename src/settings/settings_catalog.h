#pragma once

// Every value of the global settings table, declared once: its name in the store, its type, what
// reads when it is missing, the range a user may set and how a stored value is read. The typed
// accessors of settings.h, `vireo config` and the settings dialogs all work from these
// declarations, so a setting is added in one place (and to the catalog's list).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "base/ipv4.h"
#include "settings/address_list.h"

namespace vireo {

// A flag is true for any nonzero number and stored as 0 or 1.
struct FlagSetting {
    std::string_view name;
    bool fallback;
};

enum class NumberRule {
    AsStored,    // the stored number as it is
    PortNumber,  // 0 reads as the default, a number above the maximum as the maximum
    Choice,      // a number above the maximum reads as the default
};

struct NumberSetting {
    std::string_view name;
    std::uint32_t fallback;  // what reads when nothing is stored
    std::uint32_t min;       // the range a user may set
    std::uint32_t max;
    NumberRule rule;
};

struct TextSetting {
    std::string_view name;
    std::string_view fallback;  // what reads when nothing (readable) is stored; "" when optional
    std::size_t capacity;       // the reader's buffer, terminating zero included: a stored text must
                                // be at least one byte shorter to be read
    std::size_t cut_to = 0;     // when not 0, the text read is cut to this many bytes (never inside a
                                // character) and trimmed, and a blank text reads as none

    // The longest text that reads back.
    constexpr std::size_t MaxBytes() const { return cut_to != 0 ? cut_to : capacity - 1; }
};

// An IPv4 address, stored as a number holding the first octet in its lowest byte (as a socket
// address does in memory); 0.0.0.0 when missing.
struct AddressSetting {
    std::string_view name;
};

// Packed four-byte IPv4 entries (see address_list.h); empty when missing.
struct AddressListSetting {
    std::string_view name;
};

using SettingEntry =
    std::variant<NumberSetting, FlagSetting, TextSetting, AddressSetting, AddressListSetting>;

// Reader buffer of the settings that hold a path.
inline constexpr std::size_t kPathCapacity = 260;

namespace setting {

inline constexpr NumberSetting kListenPort{"listen_port", 80, 1, 65535, NumberRule::PortNumber};
inline constexpr AddressSetting kListenIp{"listen_ip"};
inline constexpr TextSetting kMainPageTitle{"mainpagetitle", "Welcome to My Website!", 80};
inline constexpr TextSetting kSiteIntro{"siteintro", "", 520, 510};
inline constexpr NumberSetting kHomePageType{"HomePageType", 0, 0, 2, NumberRule::Choice};
inline constexpr TextSetting kHomePageFile{"HomePageFile", "", kPathCapacity};
inline constexpr FlagSetting kEnableLog{"enablelog", false};
inline constexpr FlagSetting kLogSelf{"logself", true};
inline constexpr FlagSetting kDynamicFolderVisible{"DynamicFolderVisible", true};
inline constexpr FlagSetting kUsePasswords{"Use Passwords", false};
inline constexpr NumberSetting kIpFilterType{"IPFilterType", 0, 0, 2, NumberRule::Choice};
inline constexpr AddressListSetting kIpFilterList{"IPFilterList"};
inline constexpr FlagSetting kUseAutoBlockList{"Use AutoBlockList", true};
inline constexpr AddressListSetting kAutoBlockList{"AutoBlockList"};
inline constexpr FlagSetting kEnableGuestbook{"EnableGuestbook", false};
inline constexpr FlagSetting kGuestbookAlarm{"GuestbookAlarm", false};
inline constexpr TextSetting kGuestbookDir{"GuestbookDir", "", kPathCapacity};
inline constexpr FlagSetting kAutoStartChatRoom{"AutoStartChatRoom", false};
// The largest room the chat start dialog's three digits can ask for.
inline constexpr NumberSetting kChatRoomMaxMember{"ChatRoomMaxMember", 16, 2, 999, NumberRule::AsStored};
inline constexpr TextSetting kWebChatWelcomeMsg{"WebChatWelcomeMsg", "", 256};
inline constexpr FlagSetting kAsWebCommHost{"AsWebCommHost", false};
inline constexpr FlagSetting kAsWebCommMember{"AsWebCommMember", false};
inline constexpr TextSetting kWebCommNameAsHost{"WebCommNameAsHost", "", 256};
inline constexpr TextSetting kWebCommDescAsHost{"WebCommDescAsHost", "", 256};
// The owner's PEM certificate chain and its key for HTTPS; without them Vireo serves a certificate
// it made itself. Paths, so longer than the others: a certificate folder may sit deep.
inline constexpr TextSetting kTlsCertificate{"tls_certificate", "", 4096};
inline constexpr TextSetting kTlsKey{"tls_key", "", 4096};
// Plain requests are sent to the same address with https:// instead of answered.
inline constexpr FlagSetting kHttpsOnly{"https_only", false};
// The folder last chosen in the folder browser.
inline constexpr TextSetting kLastFolder{"lastfolder", "", kPathCapacity};

}  // namespace setting

// Reads and writes of a declared setting. A value that is missing, of the wrong type or too large
// for its reader reads as the declaration says; writers store what they are given and return false
// when the store cannot be written.
bool Read(const FlagSetting& setting);
bool Write(const FlagSetting& setting, bool value);
std::uint32_t Read(const NumberSetting& setting);
bool Write(const NumberSetting& setting, std::uint32_t value);
// Nothing when no readable text is stored (the declaration's fallback applies then).
std::optional<std::string> Read(const TextSetting& setting);
bool Write(const TextSetting& setting, std::string_view text);
Ipv4Address Read(const AddressSetting& setting);
bool Write(const AddressSetting& setting, const Ipv4Address& address);
// An empty list removes the value, since an empty one is never stored.
AddressList Read(const AddressListSetting& setting);
bool Write(const AddressListSetting& setting, std::span<const Ipv4Address> list);

// The settings in the order the settings table lists them.
std::span<const SettingEntry> SettingsCatalog();
// The entry whose name equals `name` without regard to letter case.
const SettingEntry* FindSetting(std::string_view name);
std::string_view SettingName(const SettingEntry& entry);

}  // namespace vireo
