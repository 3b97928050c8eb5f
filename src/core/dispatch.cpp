#include "core/dispatch.h"

#include "core/request_reader.h"
#include "core/send_response.h"
#include "core/server.h"
#include "core/standard_answers.h"
#include "core/url_codec.h"

namespace vireo {
namespace {

int SendError(Connection& connection, ServerContext& context, unsigned status)
{
    Response response;
    BuildErrorPage(response, status, connection.request().RawText());
    return SendResponse(connection, response, &context.clients);
}

int Refuse(Connection& connection, ServerContext& context, unsigned status, std::string_view shown_url)
{
    context.clients.SetState(connection.handle(), ClientState::Refused, shown_url);
    return SendError(connection, context, status);
}

}  // namespace

int Dispatch(Connection& connection, ServerContext& context)
{
    ReadResult read = ReadRequest(connection);
    if (read == ReadResult::TooLarge) return Refuse(connection, context, 400, "null");
    if (read != ReadResult::Ok) return static_cast<int>(read);

    const Request& request = connection.request();
    if (request.Url().empty()) return Refuse(connection, context, 400, "null");
    const std::string url = UrlUnescape(request.Url());
    if (!request.IsWellFormed()) return Refuse(connection, context, 400, url);

    if (request.Query() == "?") {
        Response response;
        BuildEchoPage(response, request.RawText());
        return SendResponse(connection, response, &context.clients);
    }
    // Every other site object is served once the site's folders can be resolved.
    return Refuse(connection, context, 404, url);
}

}  // namespace vireo
