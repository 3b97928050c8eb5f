#pragma once

#include <string>

#include "http/connection.h"

namespace vireo {

// Where a plain request goes on a server that speaks only HTTPS: the same host (from the request's
// Host header, else the address the connection arrived at) and the same path and query.
std::string HttpsLocation(const Connection& connection);

// Answers a plain request with "301 Moved Permanently" to its https:// address.
int SendHttpsRedirect(Connection& connection);

}  // namespace vireo
