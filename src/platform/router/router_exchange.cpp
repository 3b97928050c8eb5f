#include "platform/router/router_exchange.h"

#include "base/text_helpers.h"
#include "platform/client_socket.h"
#include "platform/router/http_reply.h"
#include "platform/router/upnp_text.h"

namespace vireo {

std::optional<std::string> SearchGateway(const Ipv4Address& gateway, std::string_view search_target,
                                         std::chrono::milliseconds limit)
{
    const WaitLimit step = WaitLimit::From(limit);
    // Connected to the gateway, the socket takes datagrams from nobody else.
    UdpClient socket({gateway, kSsdpPort});
    if (!socket.valid() || socket.Send(SearchMessage(search_target), step)) return std::nullopt;
    std::expected<std::string, NetFailure> answer = socket.Receive(kSearchAnswerBytes, step);
    if (!answer || answer->empty()) return std::nullopt;
    std::string location(HeaderValue(*answer, "Location"));
    TrimText(location);
    if (!IsPlainAddress(location)) return std::nullopt;
    return location;
}

std::optional<std::string> FetchReplyBody(const HttpRequest& request, std::chrono::milliseconds limit)
{
    const WaitLimit step = WaitLimit::From(limit);
    std::optional<Ipv4Address> address = ResolveIpv4(request.host);
    if (!address || request.port == 0) return std::nullopt;
    TcpClient socket;
    if (socket.Connect({*address, request.port}, step) || socket.SendAll(request.bytes, step))
        return std::nullopt;
    HttpReplyReader reply(kRouterReplyBytes);
    std::string chunk;
    while (reply.state() == HttpReplyReader::State::NeedMore) {
        chunk.clear();
        std::expected<std::size_t, NetFailure> got = socket.Receive(chunk, 16384, step);
        if (!got) return std::nullopt;
        if (*got == 0) {
            reply.Close();
        } else {
            reply.Add(chunk);
        }
    }
    if (reply.state() != HttpReplyReader::State::Complete) return std::nullopt;
    return reply.body();
}

}  // namespace vireo
