#include "community/guestbook/message_text.h"

#include "base/url_codec.h"

namespace vireo {

std::string GuestbookMessageText(std::string_view body)
{
    const std::size_t equals = body.find('=');
    if (equals == std::string_view::npos) return {};
    std::string text = DecodeFormValue(body.substr(equals + 1));
    std::size_t lead = 0;
    while (lead < text.size()) {
        const auto byte = static_cast<unsigned char>(text[lead]);
        if (byte < 1 || byte > 32) break;
        ++lead;
    }
    text.erase(0, lead);
    return text;
}

}  // namespace vireo
