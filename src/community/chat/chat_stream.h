#pragma once

// The pieces of a member's output page: one endless chunked answer that the room appends to
// whenever something is said. Every piece is UTF-8 HTML; names and texts from visitors arrive here
// already made safe (names can hold no markup, messages come through ChatMessageHtml).

#include <cstdint>
#include <string>
#include <string_view>

namespace vireo {

// The name every reply of the room comes from; it shows in red, as does the reserved "Zorevor1".
inline constexpr std::string_view kRoomSpeaker = "Vireo";

// Makes the reloads of the member list that follow every join, leave and rename.
inline constexpr std::string_view kListReloadScript =
    "<script LANGUAGE=JAVASCRIPT>parent.list.document.location.reload();</script>\r\n";

// Moves the focus to the input frame of a member whose attention was asked for.
inline constexpr std::string_view kFocusInputScript = "parent.input.focus();";

// The answer's head, sent as it is before the first chunk: 200, chunked, dated now.
std::string ChatStreamHead();

// The page's head: the welcome heading and the usage lines of every command.
const std::string& ChatOutputHead();

// Sets the browser's title to the member's name.
std::string ChatTitleScript(std::string_view name);

// The room's welcome message (HTML already), under a rule.
std::string ChatWelcome(std::string_view message_html);

// One message: its element id `element` (unique in the room), who says it, what, and script run
// after it scrolled into view.
std::string ChatMessage(std::uint64_t element, std::string_view speaker, std::string_view html,
                        std::string_view script = {});

// Data framed as one chunk: its length in lower-case hexadecimal, CR LF, the data, CR LF.
std::string Chunk(std::string_view data);

}  // namespace vireo
