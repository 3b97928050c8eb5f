#include "community/chat/speech_form.h"

#include "base/url_codec.h"

namespace vireo {
namespace {

std::optional<std::string> FieldValue(std::string_view body, std::string_view name)
{
    const std::size_t at = body.find(name);
    if (at == std::string_view::npos) return std::nullopt;
    std::string_view value = body.substr(at + name.size());
    return DecodeFormValue(value.substr(0, value.find('&')));
}

}  // namespace

std::optional<SpeechForm> ParseSpeechForm(std::string_view body)
{
    body = body.substr(0, body.find('\0'));
    std::optional<std::string> to = FieldValue(body, "to=");
    std::optional<std::string> text = FieldValue(body, "speechtext=");
    if (!to || !text) return std::nullopt;
    return SpeechForm{std::move(*to), std::move(*text)};
}

}  // namespace vireo
