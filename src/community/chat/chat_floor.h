#pragma once

#include <poll.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "community/chat/chat_member.h"
#include "community/chat/chat_requests.h"
#include "http/server_events.h"
#include "http/stream_socket.h"

namespace vireo {

// A member whose browser has this much of the room's talk still unsent has stopped reading; it is
// dropped as if it had left, so it cannot make the server hold an ever larger queue.
inline constexpr std::size_t kChatQueueLimit = 1024 * 1024;

// The member slots of the room and everything done to them: joins, speech, commands, evictions and
// the sending of what is queued. The chat thread alone calls the members that change the table;
// every change is made under the lock that readers on other threads take to copy.
class ChatFloor {
public:
    // Empties the table and gives it `capacity` free slots; `owner` hears of wake-up calls.
    // Only while no chat thread runs.
    void Reset(std::uint32_t capacity, std::shared_ptr<ServerEvents> owner);

    // Readers, from any thread.
    bool HasFreeSlot() const;
    std::optional<ChatMember> Find(std::uint32_t id) const;
    std::vector<ChatMember> Members() const;

    // The chat thread.
    void Join(ChatJoin& join);
    void Speak(const ChatSpeech& speech);
    void Evict(const ChatEvict& evict);
    void DropAll();
    // Sends what each member's socket takes without waiting; drops members whose socket failed or
    // whose queue passed the limit, and tells the others to reload their list.
    void SendQueued();
    // Waits until the wake descriptor is readable, a queue can move, or a member's socket has news;
    // then drops members who have gone.
    void Wait(int wake);

private:
    struct Slot {
        ChatMember member;  // id 0: the slot is free
        std::unique_ptr<StreamSocket> socket;
    };

    bool InUse(std::size_t slot) const { return slots_[slot].member.id != 0; }
    std::optional<std::size_t> SlotOf(std::uint32_t id) const;
    std::optional<std::size_t> SlotNamed(std::string_view name) const;
    std::optional<std::size_t> FirstHost() const;
    void Drop(std::size_t slot);
    void Rename(std::size_t slot, std::string name);

    // Queues a chunk, or the same chunk on every member.
    void Send(std::size_t slot, std::string_view data);
    void SendToAll(std::string_view data);
    // A message chunk to one member; the room's replies come from kRoomSpeaker.
    void Say(std::size_t slot, std::string_view speaker, std::string_view html, std::string_view script = {});
    void Reply(std::size_t slot, std::string_view html, std::string_view script = {});

    // Commands (text that starts with "!"), in chat_commands.cpp.
    void RunCommand(std::size_t slot, std::string_view to, std::string_view text);
    void ChangeName(std::size_t slot, std::string_view rest);
    void Remove(std::size_t slot, std::string_view command, std::string_view target, bool block);
    void StoreWelcome(std::size_t slot, std::string_view rest);
    void WakeUp(std::size_t slot, std::string_view target);
    void WakeHost(std::size_t slot);

    mutable std::mutex lock_;  // held by the chat thread while it changes `slots_`, by readers to copy
    std::vector<Slot> slots_;
    std::shared_ptr<ServerEvents> owner_;
    std::uint64_t next_element_ = 1;  // message element ids, never two alike in one room
    std::optional<std::chrono::steady_clock::time_point> host_called_;
    std::vector<pollfd> poll_set_;
};

}  // namespace vireo
