#pragma once

#include "config/resolve_url.h"
#include "core/client_table.h"
#include "core/connection.h"
#include "core/response.h"
#include "platform/ipv4.h"

namespace vireo {

// What the home page needs from the running server beyond the settings store.
struct HomePageContext {
    // The address the listener is bound to; the link to an extension home page is built on it.
    Ipv4Endpoint site;
    // The chat room is open: the Folders section then offers it.
    bool chat_room_open = false;
};

// Fills `response` with the generated home page (finished): the title banner, the site's
// introduction, the visible folders and the built-in applications that are on, and the dynamic files
// when they are shown.
void WriteHomePage(Response& response, bool chat_room_open);

// Answers GET or HEAD for "/" as the home page type that resolution validated into `home`: the
// generated page; the chosen HTML file, delivered whole; or a redirect to the chosen extension.
// Returns the send result.
int AnswerHomePage(Connection& connection, ClientTable* progress, const ResolvedTarget& home,
                   const HomePageContext& context);

}  // namespace vireo
