// What a gateway sends back to router discovery: a search answer, a device description and a SOAP
// answer, all read with the text rules, and an HTTP reply collected in pieces. Whatever the
// gateway sends, the address the next request goes to fits a request line, and the reply reader
// never makes a body longer than what arrived.
//
// Input: byte 0 chooses the pieces of the HTTP reply (0: one piece); the rest is the gateway's
// text, read as each of the three answers.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_pieces.h"
#include "fuzz_support.h"
#include "platform/router/http_reply.h"
#include "platform/router/upnp_requests.h"
#include "platform/router/upnp_text.h"
#include "platform/router/url_reference.h"

namespace vireo::fuzz {
namespace {

constexpr std::string_view kLocation = "http://192.168.1.1:5000/dev/rootDesc.xml";

// A request head holds no line end but those that end its `head_lines` lines, then a blank line.
void CheckRequest(const HttpRequest& request, std::size_t head_lines)
{
    Require(request.host.find_first_of(":/") == std::string::npos);
    const std::size_t head_end = request.bytes.find("\r\n\r\n");
    Require(head_end != std::string::npos);
    const std::string_view head = std::string_view(request.bytes).substr(0, head_end + 2);
    const std::size_t line_ends = std::count(head.begin(), head.end(), '\n');
    Require(line_ends == head_lines &&
            std::count(head.begin(), head.end(), '\r') == static_cast<long>(head_lines));
    const std::string_view first = head.substr(0, head.find("\r\n"));
    Require(std::count(first.begin(), first.end(), ' ') == 2);
}

void CheckReply(std::string_view reply, std::uint8_t limit)
{
    HttpReplyReader reader(4096);
    const std::size_t fed = FeedInPieces(reply, limit, [&](std::string_view bytes) {
        return reader.Add(bytes) == HttpReplyReader::State::NeedMore;
    });
    reader.Close();
    if (reader.state() == HttpReplyReader::State::Complete) {
        Require(reader.head().ends_with("\r\n\r\n") && reader.head().size() + reader.body().size() <= fed);
        Require(reply.starts_with(reader.head()));
    }
}

}  // namespace
}  // namespace vireo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo;
    using namespace vireo::fuzz;
    if (size == 0) return 0;
    const std::string_view text = AsText(data + 1, size - 1);

    // As a search answer: the location stands on one line.
    const std::string_view location = HeaderValue(text, "Location");
    Require(location.find_first_of("\r\n") == std::string_view::npos);
    Require(location.empty() || text.find(location) != std::string_view::npos);
    if (IsPlainAddress(location)) CheckRequest(DescriptionRequest(location), 2);

    // As a description: the control URL is a plain address, which the SOAP call can go to.
    if (std::optional<std::string> control = FindControlUrl(text, kLocation, kWanIpConnection)) {
        Require(IsPlainAddress(*control));
        CheckRequest(ExternalAddressRequest(*control), 5);
    }
    const std::string resolved = ResolveReference(kLocation, text);
    // A reference without a scheme of its own takes the description's.
    Require(resolved == text || resolved.starts_with("http:"));

    // As a SOAP answer: the element's text lies inside the answer, and the walk ends.
    std::size_t cursor = 0;
    std::size_t found = 0;
    while (std::optional<std::string_view> element = ElementText(text, cursor, "NewExternalIPAddress")) {
        Require(cursor <= text.size() && text.substr(cursor).starts_with("</NewExternalIPAddress"));
        Require(element->size() < text.size());
        Require(++found <= text.size());
    }

    CheckReply(text, data[0]);
    return 0;
}
