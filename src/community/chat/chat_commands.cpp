// The commands a member can type: text that starts with "!".
#include <chrono>

#include "base/ascii_case.h"
#include "base/text_helpers.h"
#include "base/url_codec.h"
#include "base/utf8.h"
#include "community/chat/chat_floor.h"
#include "community/chat/chat_stream.h"
#include "settings/address_list.h"
#include "settings/settings.h"
#include "settings/settings_catalog.h"

namespace vireo {
namespace {

// How a command's subject is marked in the room's replies.
constexpr std::string_view kMark = "<font style=\"text-decoration:underline;color:#FFA500\">";

// How much of an unknown command the reply shows.
constexpr std::size_t kShownCommandBytes = 30;
constexpr std::string_view kNotAllowed = "You are not allowed to use this command.";
// The wake-up call opens a browser on the owner's desktop; a member repeating it must not open
// one window after another.
constexpr std::chrono::seconds kHostCallInterval{30};

// The text with `mark` around it, made safe to show.
std::string Marked(std::string_view text)
{
    return std::string(kMark) + HtmlEscape(text) + "</font>";
}

std::string_view SkipBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    return text;
}

// Whom "!kick", "!block" and "!wakeup" mean: the name typed after the command, or else the name
// selected in the member list ("All" unless one was clicked).
std::string TargetName(std::string_view typed, std::string_view selected)
{
    constexpr std::size_t kMaxTarget = 31;
    std::string target = Trimmed(CutUtf8(SkipBlanks(typed), kMaxTarget));
    if (target.empty()) target = Trimmed(CutUtf8(selected, kMaxTarget));
    return target;
}

bool HasIllegalNameCharacter(std::string_view name)
{
    return name.find_first_of("&<>:\\/\"'?|@*#") != std::string_view::npos;
}

bool IsReservedName(std::string_view name, bool host)
{
    for (std::string_view reserved : {"All", "Vireo", "Zorevor1"}) {
        if (EqualsIgnoreCase(name, reserved)) return true;
    }
    return !host && (EqualsIgnoreCase(name, "Host") || EqualsIgnoreCase(name, "Hostess"));
}

}  // namespace

void ChatFloor::RunCommand(std::size_t slot, std::string_view to, std::string_view text)
{
    auto rest = [&](std::string_view command) { return text.substr(command.size()); };
    if (StartsWithIgnoreCase(text, "!name=")) {
        ChangeName(slot, rest("!name="));
    } else if (StartsWithIgnoreCase(text, "!kick")) {
        Remove(slot, "!kick", TargetName(rest("!kick"), to), false);
    } else if (StartsWithIgnoreCase(text, "!block")) {
        Remove(slot, "!block", TargetName(rest("!block"), to), true);
    } else if (StartsWithIgnoreCase(text, "!welcome=")) {
        StoreWelcome(slot, rest("!welcome="));
    } else if (StartsWithIgnoreCase(text, "!wakeup")) {
        WakeUp(slot, TargetName(rest("!wakeup"), to));
    } else {
        Reply(slot, "Unknown command: " + Marked(CutUtf8(text, kShownCommandBytes)));
    }
}

void ChatFloor::ChangeName(std::size_t slot, std::string_view rest)
{
    const std::string_view typed = SkipBlanks(rest);
    if (typed.size() > kMaxChatNameBytes) return Reply(slot, "Your new name is too long.");
    if (HasIllegalNameCharacter(typed)) return Reply(slot, "Your new name contains illegal characters.");
    std::string name = Trimmed(typed);
    const ChatMember& member = slots_[slot].member;
    if (name.empty() || name == member.name) return;
    if (IsReservedName(name, member.host))
        return Reply(slot, Marked(name) + " is reserved. Please select a different one.");
    const std::optional<std::size_t> holder = SlotNamed(name);
    if (holder && *holder != slot) return Reply(slot, "Your new name is used by another member.");

    const std::string announcement = Marked(member.name) + " has changed his/her name as " + Marked(name);
    Rename(slot, std::move(name));
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (InUse(i)) Reply(i, announcement, "parent.list.document.location.reload();");
    }
    Send(slot, ChatTitleScript(slots_[slot].member.name));
}

void ChatFloor::Remove(std::size_t slot, std::string_view command, std::string_view target, bool block)
{
    if (!slots_[slot].member.host) return Reply(slot, kNotAllowed);
    if (EqualsIgnoreCase(target, "All"))
        return Reply(slot, "If you want to kick everybody out, you can simply stop the Web Chat Service.");
    const std::optional<std::size_t> found = SlotNamed(target);
    if (!found) return Reply(slot, Marked(target) + " is not in the room.");
    if (slots_[*found].member.host) {
        return Reply(slot, "You can not use " + Marked(command) + " command on " + Marked(target) +
                               ", beasue " + Marked(target) + " is a host.");
    }
    if (block) AddToAutoBlockList(slots_[*found].member.address);
    Drop(*found);
    Reply(slot, Marked(target) + (block ? " has been disconnected and blocked." : " has been disconnected."));
    SendToAll(kListReloadScript);
}

void ChatFloor::StoreWelcome(std::size_t slot, std::string_view rest)
{
    if (!slots_[slot].member.host) return Reply(slot, kNotAllowed);
    // As long as the store can give back to a join: a longer text would never be read again.
    SetWebChatWelcomeMsg(Trimmed(CutUtf8(SkipBlanks(rest), setting::kWebChatWelcomeMsg.MaxBytes())));
    Reply(slot, "Welcome message has been updated.");
}

void ChatFloor::WakeUp(std::size_t slot, std::string_view target)
{
    const ChatMember& member = slots_[slot].member;
    if (EqualsIgnoreCase(target, "all")) {
        if (member.host) return Reply(slot, "!WakeupAll means to wake up the host, but you are the host.");
        return WakeHost(slot);
    }
    const std::optional<std::size_t> found = SlotNamed(target);
    if (!found) return Reply(slot, "[" + HtmlEscape(target) + "] is not in the chat room.");
    if (*found == slot) return Reply(slot, "You needn't wakeup yourself.");
    const std::string caller = HtmlEscape(member.name);
    Reply(*found, "[" + caller + "] asked your attention.", kFocusInputScript);
    Reply(slot,
          "I told [" + HtmlEscape(slots_[*found].member.name) + "]: [" + caller + "] asked your attention.");
}

void ChatFloor::WakeHost(std::size_t slot)
{
    const std::string caller = HtmlEscape(slots_[slot].member.name);
    if (const std::optional<std::size_t> host = FirstHost()) {
        Reply(*host, "[" + caller + "] asked your attention.", kFocusInputScript);
        Reply(slot, "I told [" + HtmlEscape(slots_[*host].member.name) + "] (the host of this chat room): [" +
                        caller + "] asked your attention.");
        return;
    }
    Reply(slot,
          "The host is not in the room. I am going to open a chat window for the host of this room. Then you "
          "can talk to him.");
    const auto now = std::chrono::steady_clock::now();
    if (host_called_ && now - *host_called_ < kHostCallInterval) return;
    host_called_ = now;
    if (owner_) owner_->OnServiceNotice(ServiceNotice::ChatWakeHost);
}

}  // namespace vireo
