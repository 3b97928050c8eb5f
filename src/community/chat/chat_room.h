#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/unique_fd.h"
#include "community/chat/chat_floor.h"
#include "community/chat/chat_member.h"
#include "community/chat/chat_requests.h"
#include "http/server_events.h"
#include "http/stream_socket.h"

namespace vireo {

// The fewest and the most members a room can be started for.
inline constexpr std::uint32_t kMinChatCapacity = 2;
inline constexpr std::uint32_t kMaxChatCapacity = 999;

// The web chat room: a table of members and one chat thread that owns every member's socket.
// Connection threads and the window never write to a member; they post requests, which the chat
// thread handles in order. Every call may come from any thread.
class ChatRoom {
public:
    ChatRoom() = default;
    // Stops the room and waits for its thread.
    ~ChatRoom();
    ChatRoom(const ChatRoom&) = delete;
    ChatRoom& operator=(const ChatRoom&) = delete;

    // Starts the chat thread for `capacity` members (kept within 2..999); `owner` hears that the
    // room started and ended, and a member's call for the host. True at once when the room runs;
    // false when the thread could not be started.
    bool Start(std::shared_ptr<ServerEvents> owner, std::uint32_t capacity);
    // Asks the chat thread to end; returns at once. Every member's page ends with it.
    void Stop();
    // Stops the room and returns once the chat thread has closed every member's socket.
    void StopAndWait();
    bool IsRunning() const { return running_.load(); }

    bool HasFreeSlot() const { return floor_.HasFreeSlot(); }
    // The first member with this id.
    std::optional<ChatMember> FindMember(std::uint32_t id) const { return floor_.Find(id); }
    // The members in slot order.
    std::vector<ChatMember> Members() const { return floor_.Members(); }
    // A new member's id: random, never 0, and held by no member now, so nobody can guess another
    // member's id and speak or act for them.
    std::uint32_t IssueMemberId();

    // Without a running room a join's socket is closed and speech is dropped; an eviction's
    // requester hears at once that it has been handled.
    void PostJoin(ChatJoin join);
    void PostSpeech(ChatSpeech speech);
    void PostEvict(ChatEvict evict);

private:
    void Post(ChatRequest request);
    void Run();
    void HandleRequests();
    void Wake();

    ChatFloor floor_;
    std::thread thread_;
    UniqueFd wake_;  // eventfd: a request or the stop ends the chat thread's wait
    std::atomic<bool> running_{false};
    std::atomic<bool> stop_{false};
    std::shared_ptr<ServerEvents> owner_;
    std::mutex start_lock_;  // one start or stop at a time

    std::mutex requests_lock_;
    std::deque<ChatRequest> requests_;
};

// The room of this program: one per process, as the site has one chat page.
ChatRoom& SiteChatRoom();

}  // namespace vireo
