#pragma once

#include <string_view>

#include "http/response.h"

namespace vireo {

// The replies to a post, as the reply page shows them (the last one's wording is the product's own).
inline constexpr std::string_view kNothingToSay = "Got nothing to say?";
inline constexpr std::string_view kMessageSaved = "Your message has been saved. Thank you.";
inline constexpr std::string_view kTypeNotSupported = "Content type not supported";
inline constexpr std::string_view kNotSaved = "Sorry. Your message has been received but could not be saved.";
inline constexpr std::string_view kMessageTooLarge = "The message is too large. No all of it has been saved.";

// The guestbook's form: one text area "msg" posted to the page's own address with a "Send" button,
// between two blue bars. Valid for five minutes.
void WriteGuestbookForm(Response& response);

// The page answering a post: the "Guestbook" heading with a link home, and the reply text (one of
// the fixed texts above, written as it is) centred below.
void WriteGuestbookReply(Response& response, std::string_view reply);

}  // namespace vireo
