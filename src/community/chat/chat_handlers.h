#pragma once

// The chat room's answers below /Webchat/, for the site's room (SiteChatRoom).

#include <cstdint>
#include <optional>
#include <string_view>

#include "site/exchange.h"

namespace vireo {

// The member id of a query "id=N" (ASCII case ignored): N a decimal number of 32 bits, not 0.
std::optional<std::uint32_t> ChatMemberIdOfQuery(std::string_view query);

bool ChatRoomClosed(const Exchange& exchange);

// Any request while the room is closed: the notice that it is not open.
int AnswerChatRoomClosed(Exchange& exchange);

// GET and HEAD: the frameset (no name), "list.htm", "input.htm", and "output.htm?id=N", whose
// connection the room takes over as the member's endless page; 403 for anything else.
int AnswerChatPage(Exchange& exchange);

// POST "?id=N": a member's input form. The text goes to the room when the member is in it and posts
// from its own address; the answer is 204, which leaves the input page as it is.
int ReceiveChatSpeech(Exchange& exchange);

}  // namespace vireo
