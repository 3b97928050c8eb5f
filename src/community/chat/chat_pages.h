#pragma once

// The chat room's short pages: the frameset a visitor opens, the member list, the input line and
// the notices. The endless output page is built from chat_stream.h.

#include <cstdint>
#include <span>
#include <string_view>

#include "community/chat/chat_member.h"
#include "http/response.h"

namespace vireo {

inline constexpr std::string_view kChatNotOpen = "Chat Room Not Open";
inline constexpr std::string_view kChatFull = "Chat Room Full";
inline constexpr std::string_view kNotInChatRoom = "You are not in the chat room.";

// The three frames of a new member, whose output and input frames carry `member_id`.
void WriteChatFrameset(Response& response, std::uint32_t member_id);

// "All" and then every member's name; clicking one makes it the recipient of what is typed next.
void WriteChatMemberList(Response& response, std::span<const ChatMember> members);

// The one-line input: Enter posts the text to the page's own address; Shift+Enter starts a new line.
void WriteChatInput(Response& response);

// A message of the room on a page of its own.
void WriteChatNotice(Response& response, std::string_view message);

}  // namespace vireo
