#include "site/router.h"

#include <optional>
#include <string>

#include "base/ascii_case.h"
#include "base/url_codec.h"
#include "http/send_response.h"
#include "http/server.h"
#include "http/standard_answers.h"
#include "settings/settings.h"
#include "site/access_control.h"

namespace vireo {
namespace {

// With passwords in use, every request but the web community's log-in must carry the
// credentials of an account.
bool NeedsCredentials(const ResolvedTarget& target)
{
    if (!GetUsePasswords()) return false;
    return target.kind != TargetKind::WebCommunity || !EqualsIgnoreCase(target.rest, "login");
}

int Refuse(Exchange& exchange, unsigned status, std::string_view shown_url)
{
    return SendRefusal(exchange.connection, *exchange.clients, status, shown_url);
}

// The client table row's state for a method that may go on to a route; nothing for the others.
std::optional<ClientState> StateOfMethod(Method method)
{
    switch (method) {
        case Method::Get:
        case Method::Head:
            return ClientState::Download;
        case Method::Post:
            return ClientState::Upload;
        case Method::Options:
        case Method::Delete:
        case Method::Put:
        case Method::Trace:
        case Method::Unknown:
            break;
    }
    return std::nullopt;
}

}  // namespace

int RouteRequest(Connection& connection, ServerContext& context, std::span<const Route> routes)
{
    const Request& request = connection.request();
    ResolvedTarget target;
    Exchange exchange{connection, &context.clients, target, context.BoundAddress(), IsLocalPeer(connection)};
    exchange.events = context.events.get();

    if (request.Url().empty()) return Refuse(exchange, 400, "null");
    const std::string url = UrlUnescape(request.Url());
    if (!request.IsWellFormed()) return Refuse(exchange, 400, url);

    target = ResolveUrl(request.Url());
    if (!target.found) return Refuse(exchange, 404, url);

    if (NeedsCredentials(target) && !HasValidCredentials(request)) {
        Response response(exchange.local_client);
        BuildUnauthorized(response);
        return exchange.Send(response);
    }

    if (request.Query() == "?") {
        Response response(exchange.local_client);
        BuildEchoPage(response, request.RawText());
        return exchange.Send(response);
    }

    std::optional<ClientState> state = StateOfMethod(request.method());
    if (!state) return Refuse(exchange, 405, url);
    context.clients.SetState(connection.handle(), *state, url);

    for (const Route& route : routes) {
        if (route.kind == target.kind && route.applies(exchange)) return route.answer(exchange);
    }
    return 0;
}

}  // namespace vireo
