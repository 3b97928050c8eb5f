#pragma once

#include "site/exchange.h"

namespace vireo::testing {

// Runs a handler as the router would: on the target the connection's request URL resolves to.
template <class Handle>
int HandleResolved(Connection& connection, ClientTable* progress, Handle handle)
{
    const ResolvedTarget target = ResolveUrl(connection.request().Url());
    vireo::Exchange exchange{connection, progress, target};
    return handle(exchange);
}

}  // namespace vireo::testing
