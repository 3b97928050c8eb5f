#include "site/exchange.h"

#include "http/send_response.h"
#include "http/standard_answers.h"

namespace vireo {

int Exchange::Send(Response& response) const
{
    return SendResponse(connection, response, clients);
}

int Exchange::SendError(unsigned status) const
{
    Response response(local_client);
    BuildErrorPage(response, status, request().RawText());
    return Send(response);
}

}  // namespace vireo
