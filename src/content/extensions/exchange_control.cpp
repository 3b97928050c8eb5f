#include "content/extensions/exchange_control.h"

#include "base/text_helpers.h"

namespace vireo {

std::optional<ExchangeControl> ParseExchangeControl(std::string_view bytes)
{
    if (bytes.size() < 3) return std::nullopt;
    ExchangeControl control{};
    control.head = bytes[0] == '1' ? AnswerHead::HeadFile : AnswerHead::Built;
    control.body = bytes[1] == '1'   ? AnswerBody::NamedFile
                   : bytes[1] == '0' ? AnswerBody::HtmlText
                                     : AnswerBody::TypedText;
    control.framing = bytes[2] == '1'   ? AnswerFraming::ChunkedWhole
                      : bytes[2] == '2' ? AnswerFraming::ChunkedAppended
                                        : AnswerFraming::Plain;
    return control;
}

std::string ParseBodyPath(std::string_view bytes)
{
    bytes = bytes.substr(0, kBodyPathBytes);
    bytes = bytes.substr(0, bytes.find('\0'));
    std::string path(bytes);
    TrimText(path);
    if (!path.empty()) NormalizePath(path);
    return path;
}

}  // namespace vireo
