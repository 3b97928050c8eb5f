// A chat member's post: the input form's fields, and the message HTML its text becomes, which every
// member's browser then shows.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/url_codec.h"
#include "community/chat/chat_text.h"
#include "community/chat/speech_form.h"
#include "fuzz_support.h"

namespace vireo::fuzz {
namespace {

// The markup a message may hold; everything else must be text.
constexpr std::string_view kTags[] = {"<br>", "</a>", " target=\"_blank\">", "<a href=\""};

// True when the HTML holds no markup but line breaks and links, and every href ends where the
// link's own markup ends it (no quote from the text can close it early).
bool IsOnlyTextAndLinks(std::string_view html)
{
    std::string rest;
    for (std::size_t i = 0; i < html.size();) {
        if (html.substr(i).starts_with("<a href=\"")) {
            const std::size_t close = html.find('"', i + 9);
            if (close == std::string_view::npos || !html.substr(close).starts_with("\" target=\"_blank\">"))
                return false;
            i = close + 18;
            continue;
        }
        bool tag = false;
        for (std::string_view known : kTags) {
            if (html.substr(i).starts_with(known)) {
                i += known.size();
                tag = true;
                break;
            }
        }
        if (!tag) rest += html[i++];
    }
    return rest.find_first_of("<>") == std::string::npos;
}

}  // namespace
}  // namespace vireo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo;
    using namespace vireo::fuzz;
    const std::string_view body = AsText(data, size);

    // Both fields are found exactly when both names are in the body before its first zero byte.
    const std::string_view counted = body.substr(0, body.find('\0'));
    const bool both = counted.find("to=") != std::string_view::npos &&
                      counted.find("speechtext=") != std::string_view::npos;
    const std::optional<SpeechForm> form = ParseSpeechForm(body);
    Require(form.has_value() == both);

    // What a browser posts comes back as it was typed.
    const auto [to, text] = SplitFirstLine(body);
    const std::optional<SpeechForm> posted =
        ParseSpeechForm("to=" + FormEncode(to) + "&speechtext=" + FormEncode(text));
    Require(posted && posted->to == to && posted->text == text);

    // Whatever is typed shows as text and links, never as markup of its own.
    Require(IsOnlyTextAndLinks(ChatMessageHtml(body)));
    return 0;
}
