#pragma once

#include <string>

#include "http/connection.h"

namespace vireo {

// Where a plain request goes on a server that speaks only HTTPS: the same host (from the request's
// Host header, else the address the connection arrived at) and the same path and query.
std::string HttpsLocation(const Connection& connection);

// Whether a plain request must move to HTTPS on a server that speaks only HTTPS. Certificate
// authorities fetch their ACME challenges (/.well-known/acme-challenge/...) over plain HTTP on port
// 80 and follow a redirect only to port 443, where this server does not listen; those stay plain,
// or no certificate could ever be renewed while HTTPS only is on.
bool MustMoveToHttps(const Request& request);

// Answers a plain request with "301 Moved Permanently" to its https:// address.
int SendHttpsRedirect(Connection& connection);

}  // namespace vireo
