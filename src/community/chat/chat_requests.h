#pragma once

// What connection threads and the window hand the chat thread. Only the chat thread acts on them.

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

#include "base/ipv4.h"
#include "http/server_events.h"
#include "http/stream_socket.h"

namespace vireo {

// A visitor's output page: the connection's socket, taken over by the room.
struct ChatJoin {
    std::uint32_t id = 0;
    std::unique_ptr<StreamSocket> socket;
    Ipv4Address address{};
    bool host = false;  // the visitor is on this computer
};

// Something a member typed, for `to` ("All", or a member's name).
struct ChatSpeech {
    std::uint32_t id = 0;
    std::string to;
    std::string text;
};

// The window's disconnect (or block) of a member; `requester` hears when it has been handled.
struct ChatEvict {
    std::uint32_t id = 0;
    bool block = false;
    std::shared_ptr<ServerEvents> requester;
};

using ChatRequest = std::variant<ChatJoin, ChatSpeech, ChatEvict>;

}  // namespace vireo
