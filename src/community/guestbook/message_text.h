#pragma once

#include <string>
#include <string_view>

namespace vireo {

// The message a guestbook form body carries: everything after the body's first "=" to its end (an
// "&" there is part of the message, so a second field is kept with it), decoded as a form value: "+"
// becomes a space; "%" with two bytes after it takes the leading hexadecimal digits of those two as
// the byte to write (none give 0); a "%" with fewer than two bytes after it is dropped. Leading bytes
// of value 1 to 32 are then cut off. Text arrives as UTF-8 and is stored as it is. Empty when the
// body has no "=", nothing after it, or only blanks and control bytes.
std::string GuestbookMessageText(std::string_view body);

}  // namespace vireo
