#pragma once

// The site's answer to a request whose header has been read: the checks every request passes
// (a URL, a well-formed request line, a target that exists, the password gate, the echo, the
// method), then the first row of the route table that applies to the target.

#include <span>

#include "site/exchange.h"

namespace vireo {

class Connection;
struct ServerContext;

// One row of the route table: requests whose target is of `kind` and for which `applies` holds
// are answered by `answer`. Rows are tried in the table's order; a target no row takes gets no
// answer at all.
struct Route {
    TargetKind kind;
    bool (*applies)(const Exchange& exchange);
    Handler answer;
};

// Runs the checks and the first route that applies. Returns the handler's result, or the send
// result of the refusal.
int RouteRequest(Connection& connection, ServerContext& context, std::span<const Route> routes);

}  // namespace vireo
