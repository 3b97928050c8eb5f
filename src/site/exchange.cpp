#include "site/exchange.h"

#include "http/send_response.h"

namespace vireo {

int Exchange::Send(Response& response) const
{
    return SendResponse(connection, response, clients);
}

int Exchange::SendError(unsigned status) const
{
    return SendErrorPage(connection, status, clients);
}

}  // namespace vireo
