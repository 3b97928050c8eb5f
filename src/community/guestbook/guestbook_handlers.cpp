#include "community/guestbook/guestbook_handlers.h"

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "base/io.h"
#include "community/guestbook/guestbook_pages.h"
#include "community/guestbook/message_file.h"
#include "community/guestbook/message_text.h"
#include "community/post_body.h"
#include "http/send_response.h"
#include "settings/guestbook_folder.h"
#include "settings/settings.h"

namespace vireo {
namespace {

int SendReply(Exchange& exchange, std::string_view reply)
{
    Response response(exchange.local_client);
    WriteGuestbookReply(response, reply);
    return SendResponse(exchange.connection, response, nullptr);
}

// Stores a message and says how that went; the alarm goes off as soon as the file exists.
std::string_view StoreMessage(const Exchange& exchange, std::string_view text, bool cut)
{
    const std::optional<std::string> folder = GetGuestbookFolder(true);
    Ipv4Endpoint sender;
    if (!folder || !exchange.connection.PeerAddress(sender)) return kNotSaved;
    std::optional<UniqueFd> file = CreateMessageFile(*folder, sender.address);
    if (!file) return kNotSaved;
    if (exchange.events && GetGuestbookAlarm())
        exchange.events->OnServiceNotice(ServiceNotice::GuestbookMessage);
    if (!WriteAll(file->get(), text.data(), text.size())) return kNotSaved;
    return cut ? kMessageTooLarge : kMessageSaved;
}

}  // namespace

int AnswerGuestbookForm(Exchange& exchange)
{
    Response response(exchange.local_client);
    WriteGuestbookForm(response);
    return SendResponse(exchange.connection, response, nullptr);
}

int ReceiveGuestbookPost(Exchange& exchange)
{
    const Request& request = exchange.request();
    const std::optional<std::uint64_t> announced = request.ContentLength();
    if (!announced || *announced == 0) return SendReply(exchange, kNothingToSay);
    if (!IsFormPost(request)) return SendReply(exchange, kTypeNotSupported);

    const std::expected<PostBody, int> body = ReadPostBody(exchange.connection, exchange.clients, *announced);
    if (!body) return body.error();
    if (!body->bytes) return SendReply(exchange, kNotSaved);
    const std::string text = GuestbookMessageText(*body->bytes);
    if (text.empty()) return SendReply(exchange, kNothingToSay);
    return SendReply(exchange, StoreMessage(exchange, text, body->cut));
}

}  // namespace vireo
