// GuestbookMessageText over any form body: what a visitor's post leaves as the stored message.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/url_codec.h"
#include "community/guestbook/message_text.h"
#include "fuzz_support.h"

namespace vireo::fuzz {
namespace {

bool IsBlank(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 1 && byte <= 32;
}

std::string_view WithoutLeadingBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return text;
}

}  // namespace
}  // namespace vireo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo;
    using namespace vireo::fuzz;
    const std::string_view body = AsText(data, size);
    const std::string text = GuestbookMessageText(body);

    // Nothing without an "="; otherwise never longer than what follows it, and never led by a blank.
    const std::size_t equals = body.find('=');
    if (equals == std::string_view::npos) Require(text.empty());
    if (equals != std::string_view::npos) Require(text.size() <= body.size() - equals - 1);
    Require(text.empty() || !IsBlank(text.front()));

    // A value without escapes or "+" is kept as it is, blanks in front cut off.
    const std::string_view value = equals == std::string_view::npos ? "" : body.substr(equals + 1);
    if (value.find_first_of("%+") == std::string_view::npos) Require(text == WithoutLeadingBlanks(value));

    // What a browser's form encoding makes of a message comes back as the message.
    const std::string_view message = WithoutLeadingBlanks(body);
    Require(GuestbookMessageText("msg=" + FormEncode(message)) == message);
    return 0;
}
