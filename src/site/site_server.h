#pragma once

// What the site gives the HTTP server: the address from the settings, the admission gate, the
// request reading rules with the logbook and the auto-block list, and the router over the route
// table it is handed.

#include <span>

#include "http/server.h"
#include "site/router.h"

namespace vireo {

// Hostile requests are refused while the auto-block list is in use, and their peers go on it;
// every request read, and every read that ends early, is written to the logbook.
ReadPolicy SiteReadPolicy();

// The server's setup for the site: listening where "listen_ip" and "listen_port" say, admitting
// as the IP filter and the auto-block list say, answering through the routes (which must outlive
// the server).
ServerSetup SiteServerSetup(std::span<const Route> routes);

}  // namespace vireo
