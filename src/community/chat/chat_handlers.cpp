#include "community/chat/chat_handlers.h"

#include <charconv>
#include <expected>
#include <memory>

#include "base/ascii_case.h"
#include "community/chat/chat_pages.h"
#include "community/chat/chat_room.h"
#include "community/chat/speech_form.h"
#include "community/post_body.h"

namespace vireo {
namespace {

int SendNotice(Exchange& exchange, std::string_view message)
{
    Response response(exchange.local_client);
    WriteChatNotice(response, message);
    return exchange.Send(response);
}

// The output page: the room takes the connection's socket and answers on it from now on. The
// visitor's row in the client table ends here; the room's member list shows it from now on.
int Join(Exchange& exchange, std::uint32_t id)
{
    Connection& connection = exchange.connection;
    const int handle = connection.handle();
    auto socket = std::make_unique<StreamSocket>();
    socket->TakeOver(connection);
    Ipv4Endpoint peer;
    socket->PeerAddress(peer);
    if (exchange.clients) exchange.clients->MarkClosed(handle);
    SiteChatRoom().PostJoin({id, std::move(socket), peer.address, exchange.local_client});
    return 0;
}

}  // namespace

std::optional<std::uint32_t> ChatMemberIdOfQuery(std::string_view query)
{
    constexpr std::string_view kPrefix = "id=";
    if (!StartsWithIgnoreCase(query, kPrefix)) return std::nullopt;
    query.remove_prefix(kPrefix.size());
    std::uint32_t id = 0;
    const auto [end, error] = std::from_chars(query.data(), query.data() + query.size(), id);
    if (error != std::errc() || end == query.data() || id == 0) return std::nullopt;
    return id;
}

bool ChatRoomClosed(const Exchange&)
{
    return !SiteChatRoom().IsRunning();
}

int AnswerChatRoomClosed(Exchange& exchange)
{
    return SendNotice(exchange, kChatNotOpen);
}

int AnswerChatPage(Exchange& exchange)
{
    ChatRoom& room = SiteChatRoom();
    const std::string& page = exchange.target.rest;
    Response response(exchange.local_client);
    if (page.empty()) {
        WriteChatFrameset(response, room.IssueMemberId());
    } else if (EqualsIgnoreCase(page, "input.htm")) {
        WriteChatInput(response);
    } else if (EqualsIgnoreCase(page, "list.htm")) {
        WriteChatMemberList(response, room.Members());
    } else if (EqualsIgnoreCase(page, "output.htm")) {
        if (!room.HasFreeSlot()) return SendNotice(exchange, kChatFull);
        const std::optional<std::uint32_t> id = ChatMemberIdOfQuery(exchange.request().Query());
        if (!id) return exchange.SendError(403);
        return Join(exchange, *id);
    } else {
        return exchange.SendError(403);
    }
    return exchange.Send(response);
}

int ReceiveChatSpeech(Exchange& exchange)
{
    const std::optional<std::uint32_t> id = ChatMemberIdOfQuery(exchange.request().Query());
    if (!id) return exchange.SendError(403);
    // Only the member's own browser speaks for it: an id seen elsewhere is worth nothing.
    const std::optional<ChatMember> member = SiteChatRoom().FindMember(*id);
    Ipv4Endpoint peer;
    if (!member || !exchange.connection.PeerAddress(peer) || peer.address != member->address)
        return SendNotice(exchange, kNotInChatRoom);

    const Request& request = exchange.request();
    const std::optional<std::uint64_t> announced = request.ContentLength();
    if (!announced || *announced == 0) return exchange.SendError(204);
    if (!IsFormPost(request)) return exchange.SendError(204);
    const std::expected<PostBody, int> body = ReadPostBody(exchange.connection, exchange.clients, *announced);
    if (!body) return body.error();
    if (!body->bytes) return exchange.SendError(204);
    if (std::optional<SpeechForm> form = ParseSpeechForm(*body->bytes))
        SiteChatRoom().PostSpeech({*id, std::move(form->to), std::move(form->text)});
    return exchange.SendError(204);
}

}  // namespace vireo
