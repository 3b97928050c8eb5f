#pragma once

#include "http/response.h"
#include "site/exchange.h"

namespace vireo {

// Fills `response` with the generated home page (finished): the title banner, the site's
// introduction, the visible folders and the built-in applications that are on, and the dynamic files
// when they are shown. The chat room's state lives in the running server, not in the settings, so
// the caller says whether it is open.
void WriteHomePage(Response& response, bool chat_room_open);

// Answers GET or HEAD for "/" as the home page type that resolution validated into the target:
// the generated page; the chosen HTML file, delivered whole; or a redirect to the chosen
// extension on the site's address, the one the listener is bound to. Returns the send result.
int AnswerHomePage(Exchange& exchange);

}  // namespace vireo
