#include "community/chat/chat_floor.h"

#include <sys/socket.h>

#include <cerrno>

#include "base/ascii_case.h"
#include "base/text_helpers.h"
#include "base/url_codec.h"
#include "community/chat/chat_stream.h"
#include "community/chat/chat_text.h"
#include "settings/address_list.h"
#include "settings/settings.h"

namespace vireo {
namespace {

// Whether a member's socket has gone: the peer closed it or it failed. Whatever a browser sends on
// its output page's connection means nothing and is read away, one read per wait of the chat
// thread, so a member that keeps sending can neither keep the thread in here nor be taken for gone.
bool HasGone(StreamSocket& socket)
{
    char discarded[4096];
    const int count = socket.ReceiveAvailable(discarded, sizeof discarded);
    return count < 0 && count != kSocketWouldBlock;
}

void ResetOnClose(const StreamSocket& socket)
{
    const linger reset{1, 0};
    ::setsockopt(socket.handle(), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
}

}  // namespace

void ChatFloor::Reset(std::uint32_t capacity, std::shared_ptr<ServerEvents> owner)
{
    std::lock_guard guard(lock_);
    slots_.clear();
    slots_.resize(capacity);
    owner_ = std::move(owner);
    next_element_ = 1;
    host_called_.reset();
}

bool ChatFloor::HasFreeSlot() const
{
    std::lock_guard guard(lock_);
    for (const Slot& slot : slots_) {
        if (slot.member.id == 0) return true;
    }
    return false;
}

std::optional<ChatMember> ChatFloor::Find(std::uint32_t id) const
{
    if (id == 0) return std::nullopt;
    std::lock_guard guard(lock_);
    for (const Slot& slot : slots_) {
        if (slot.member.id == id) return slot.member;
    }
    return std::nullopt;
}

std::vector<ChatMember> ChatFloor::Members() const
{
    std::vector<ChatMember> members;
    std::lock_guard guard(lock_);
    for (const Slot& slot : slots_) {
        if (slot.member.id != 0) members.push_back(slot.member);
    }
    return members;
}

std::optional<std::size_t> ChatFloor::SlotOf(std::uint32_t id) const
{
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (InUse(i) && slots_[i].member.id == id) return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> ChatFloor::SlotNamed(std::string_view name) const
{
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (InUse(i) && EqualsIgnoreCase(slots_[i].member.name, name)) return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> ChatFloor::FirstHost() const
{
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (InUse(i) && slots_[i].member.host) return i;
    }
    return std::nullopt;
}

void ChatFloor::Join(ChatJoin& join)
{
    std::size_t slot = 0;
    while (slot < slots_.size() && InUse(slot)) ++slot;
    if (slot == slots_.size() || join.id == 0) return;  // the socket closes with the request
    {
        std::lock_guard guard(lock_);
        slots_[slot].member = {join.id, "Guest" + std::to_string(join.id), join.address, join.host};
        slots_[slot].socket = std::move(join.socket);
    }
    StreamSocket& socket = *slots_[slot].socket;
    socket.QueueText(ChatStreamHead());
    Send(slot, ChatOutputHead());
    Send(slot, ChatTitleScript(slots_[slot].member.name));
    const std::string welcome = Trimmed(GetWebChatWelcomeMsg().value_or(""));
    if (!welcome.empty()) Send(slot, ChatWelcome(ChatMessageHtml(welcome)));
    SendToAll(kListReloadScript);
}

void ChatFloor::Speak(const ChatSpeech& speech)
{
    const std::optional<std::size_t> from = SlotOf(speech.id);
    if (!from) return;  // the member left before its words arrived
    if (speech.text.starts_with('!')) {
        RunCommand(*from, speech.to, speech.text);
        return;
    }
    const std::string html = ChatMessageHtml(speech.text);
    const std::string& sender = slots_[*from].member.name;
    std::optional<std::size_t> to;
    if (!speech.to.empty() && !EqualsIgnoreCase(speech.to, "All")) {
        to = SlotNamed(speech.to);
        // Words meant for one member never go to everybody: the one they were for has left or
        // taken another name since the sender picked it.
        if (!to) return Reply(*from, "[" + HtmlEscape(speech.to) + "] is not in the chat room.");
    }
    if (!to) {
        const std::string speaker = HtmlEscape(sender);
        for (std::size_t i = 0; i < slots_.size(); ++i) {
            if (InUse(i)) Say(i, speaker, html);
        }
        return;
    }
    const std::string speaker = HtmlEscape(sender + " (Private to " + slots_[*to].member.name + ")");
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (i == *from || i == *to) Say(i, speaker, html);
    }
}

void ChatFloor::Evict(const ChatEvict& evict)
{
    const std::optional<std::size_t> slot = SlotOf(evict.id);
    // The host's own browser stays: the window that asks is the host's.
    if (slot && !slots_[*slot].member.host) {
        if (evict.block) AddToAutoBlockList(slots_[*slot].member.address);
        Drop(*slot);
        SendToAll(kListReloadScript);
    }
    if (evict.requester) evict.requester->OnServiceNotice(ServiceNotice::ChatEvictionHandled);
}

void ChatFloor::DropAll()
{
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (InUse(i)) Drop(i);
    }
}

void ChatFloor::Drop(std::size_t slot)
{
    std::unique_ptr<StreamSocket> socket;
    {
        std::lock_guard guard(lock_);
        socket = std::move(slots_[slot].socket);
        slots_[slot].member = {};
    }
    // The socket closes here, outside the lock.
}

void ChatFloor::Rename(std::size_t slot, std::string name)
{
    std::lock_guard guard(lock_);
    slots_[slot].member.name = std::move(name);
}

void ChatFloor::Send(std::size_t slot, std::string_view data)
{
    slots_[slot].socket->QueueText(Chunk(data));
}

void ChatFloor::SendToAll(std::string_view data)
{
    const std::string chunk = Chunk(data);
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (InUse(i)) slots_[i].socket->QueueText(chunk);
    }
}

void ChatFloor::Say(std::size_t slot, std::string_view speaker, std::string_view html,
                    std::string_view script)
{
    Send(slot, ChatMessage(next_element_++, speaker, html, script));
}

void ChatFloor::Reply(std::size_t slot, std::string_view html, std::string_view script)
{
    Say(slot, kRoomSpeaker, html, script);
}

void ChatFloor::SendQueued()
{
    bool someone_left = false;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (!InUse(i)) continue;
        StreamSocket& socket = *slots_[i].socket;
        const bool failed = socket.Send(0) < 0;
        if (!failed && socket.QueuedLength() <= kChatQueueLimit) continue;
        // A browser that stopped reading would keep megabytes of talk in the system's buffers
        // long after its slot is free; a reset lets them go at once.
        if (!failed) ResetOnClose(socket);
        Drop(i);
        someone_left = true;
    }
    if (someone_left) SendToAll(kListReloadScript);
}

void ChatFloor::Wait(int wake)
{
    poll_set_.clear();
    poll_set_.push_back({wake, POLLIN, 0});
    for (const Slot& slot : slots_) {
        if (slot.member.id == 0) continue;
        const short events = POLLIN | (slot.socket->QueuedLength() > 0 ? POLLOUT : 0);
        poll_set_.push_back({slot.socket->handle(), events, 0});
    }
    if (::poll(poll_set_.data(), poll_set_.size(), -1) <= 0) return;

    bool someone_left = false;
    std::size_t entry = 1;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (!InUse(i)) continue;
        const short events = poll_set_[entry++].revents;
        if ((events & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
        if ((events & (POLLHUP | POLLERR)) != 0 || HasGone(*slots_[i].socket)) {
            Drop(i);
            someone_left = true;
        }
    }
    if (someone_left) SendToAll(kListReloadScript);
}

}  // namespace vireo
