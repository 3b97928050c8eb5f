#include "settings/settings_catalog.h"

#include <algorithm>
#include <array>

#include "base/ascii_case.h"
#include "base/text_helpers.h"
#include "base/utf8.h"
#include "settings/store_values.h"

namespace vireo {

namespace {

using store::kSettingsKey;

constexpr auto kCatalog = std::to_array<SettingEntry>({
    setting::kListenPort,
    setting::kListenIp,
    setting::kMainPageTitle,
    setting::kSiteIntro,
    setting::kHomePageType,
    setting::kHomePageFile,
    setting::kEnableLog,
    setting::kLogSelf,
    setting::kDynamicFolderVisible,
    setting::kUsePasswords,
    setting::kIpFilterType,
    setting::kIpFilterList,
    setting::kUseAutoBlockList,
    setting::kAutoBlockList,
    setting::kEnableGuestbook,
    setting::kGuestbookAlarm,
    setting::kGuestbookDir,
    setting::kAutoStartChatRoom,
    setting::kChatRoomMaxMember,
    setting::kWebChatWelcomeMsg,
    setting::kAsWebCommHost,
    setting::kAsWebCommMember,
    setting::kWebCommNameAsHost,
    setting::kWebCommDescAsHost,
    setting::kTlsCertificate,
    setting::kTlsKey,
    setting::kHttpsOnly,
    setting::kLastFolder,
});

}  // namespace

bool Read(const FlagSetting& setting)
{
    return store::ReadFlag(kSettingsKey, setting.name, setting.fallback);
}

bool Write(const FlagSetting& setting, bool value)
{
    return store::WriteFlag(kSettingsKey, setting.name, value);
}

std::uint32_t Read(const NumberSetting& setting)
{
    const std::optional<std::uint32_t> stored = store::ReadNumber(kSettingsKey, setting.name);
    if (!stored) return setting.fallback;
    switch (setting.rule) {
        case NumberRule::AsStored:
            return *stored;
        case NumberRule::PortNumber:
            if (*stored == 0) return setting.fallback;
            return std::min(*stored, setting.max);
        case NumberRule::Choice:
            return *stored > setting.max ? setting.fallback : *stored;
    }
    return setting.fallback;
}

bool Write(const NumberSetting& setting, std::uint32_t value)
{
    return store::WriteNumber(kSettingsKey, setting.name, value);
}

std::optional<std::string> Read(const TextSetting& setting)
{
    std::optional<std::string> text = store::ReadText(kSettingsKey, setting.name, setting.capacity);
    if (!text || setting.cut_to == 0) return text;
    text->resize(CutUtf8(*text, setting.cut_to).size());
    if (TrimText(*text) == 0) return std::nullopt;
    return text;
}

bool Write(const TextSetting& setting, std::string_view text)
{
    return store::WriteText(kSettingsKey, setting.name, text);
}

Ipv4Address Read(const AddressSetting& setting)
{
    const std::uint32_t value = store::ReadNumber(kSettingsKey, setting.name).value_or(0);
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

bool Write(const AddressSetting& setting, const Ipv4Address& address)
{
    return store::WriteNumber(
        kSettingsKey, setting.name,
        address[0] | address[1] << 8 | address[2] << 16 | static_cast<std::uint32_t>(address[3]) << 24);
}

std::span<const SettingEntry> SettingsCatalog()
{
    return kCatalog;
}

std::string_view SettingName(const SettingEntry& entry)
{
    return std::visit([](const auto& setting) { return setting.name; }, entry);
}

const SettingEntry* FindSetting(std::string_view name)
{
    auto found = std::ranges::find_if(
        kCatalog, [name](const SettingEntry& entry) { return EqualsIgnoreCase(SettingName(entry), name); });
    return found == kCatalog.end() ? nullptr : &*found;
}

}  // namespace vireo
