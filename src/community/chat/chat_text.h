#pragma once

#include <string>
#include <string_view>

namespace vireo {

// Turns typed text into the HTML of a chat message. A word that begins with "http:" or "https:"
// (ASCII case ignored) becomes a link opening in a new window, up to the first blank, line end or
// zero byte after its "://" part: the href holds it as typed except that a double quote becomes
// %22, the link text has & < > as entities. Elsewhere a line feed becomes "<br>", a carriage
// return goes, & < > become entities and every other byte stays.
std::string ChatMessageHtml(std::string_view text);

}  // namespace vireo
