#pragma once

#include "base/ipv4.h"
#include "http/client_table.h"
#include "http/connection.h"
#include "http/response.h"
#include "http/server_events.h"
#include "site/resolve_url.h"

namespace vireo {

// One request on its way to the handler that answers it: the connection it came on, the client
// table that shows it in the window, the target its URL resolved to, and what the site knows of
// itself and its services. Every handler takes one.
struct Exchange {
    Connection& connection;
    ClientTable* clients;  // the connection's row shows state and progress; none in some tests
    const ResolvedTarget& target;
    Ipv4Endpoint site{};             // the address the server listens on
    bool local_client = false;       // the client is this computer
    bool chat_room_open = false;     // the chat room runs (the home page links it then)
    ServerEvents* events = nullptr;  // told of the services' notices; none in some tests

    const Request& request() const { return connection.request(); }
    // Sends a finished response, with progress in the client table.
    int Send(Response& response) const;
    // Sends the error page of a status, showing the request.
    int SendError(unsigned status) const;
};

// Answers one request; returns the last send result (0 when nothing was sent).
using Handler = int (*)(Exchange& exchange);

}  // namespace vireo
