#pragma once

#include "http/client_table.h"
#include "http/connection.h"
#include "http/response.h"

namespace vireo {

// Writes a finished response to the connection (only its header for a HEAD request), reporting
// progress to the client table when one is given. Returns the result of the last send: a byte
// count, 0 when nothing was sent, a negative socket error, or -1 when no buffer could be had.
int SendResponse(Connection& connection, Response& response, ClientTable* progress);

// Sends the error page of a status, showing the connection's request.
int SendErrorPage(Connection& connection, unsigned status, ClientTable* progress);

// Marks the client refused in the table, showing `shown_url` there, and sends the error page of
// the status.
int SendRefusal(Connection& connection, ClientTable& clients, unsigned status, std::string_view shown_url);

}  // namespace vireo
