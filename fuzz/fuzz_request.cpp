// Request::Parse over any bytes: the header a visitor sends, and the header block of every part of
// an upload. The input is the header itself.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "http/request.h"

namespace vireo::fuzz {
namespace {

// The names the server asks for, a prefix of several of them, and the empty name.
constexpr std::string_view kHeaderNames[] = {
    "Host",          "Content-Length", "Content-Type", "Range",      "If-Range", "If-Modified-Since",
    "If-None-Match", "Authorization",  "Expect",       "Connection", "C",        "",
};

bool IsForbiddenByte(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return !(b == '\t' || b == '\n' || b == '\r' || (b >= 0x20 && b != 0x7F && b != 0xFF));
}

bool HasAny(std::string_view text, std::string_view bytes)
{
    return text.find_first_of(bytes) != std::string_view::npos;
}

// Every text the request hands out is followed by a zero byte in memory, and none holds a line
// end, so no header value can carry another header line with it.
void RequireText(std::string_view text, std::string_view input)
{
    Require(text.data() != nullptr && text.data()[text.size()] == '\0');
    Require(text.size() <= input.size());
    Require(!HasAny(text, std::string_view("\r\n\0", 3)));
}

void CheckTexts(const Request& request, std::string_view input)
{
    RequireText(request.Url(), input);
    RequireText(request.Query(), input);
    // The URL ends at the first blank or "?", the query at the first blank.
    Require(!HasAny(request.Url(), " \t?"));
    Require(!HasAny(request.Query(), " \t"));
    Require(request.Query().empty() || input.find('?') != std::string_view::npos);
    for (std::string_view name : kHeaderNames) {
        const std::string_view value = request.Header(name);
        RequireText(value, input);
        Require(!name.empty() || value.empty());
    }
    if (std::optional<std::uint64_t> length = request.ContentLength()) {
        const std::string_view value = request.Header("Content-Length");
        Require(!value.empty() && value.front() >= '0' && value.front() <= '9');
    }
    const bool well_formed = request.IsWellFormed();
    Require(!well_formed || (request.method() != Method::Unknown && !request.Url().empty()));
}

}  // namespace
}  // namespace vireo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo;
    using namespace vireo::fuzz;
    const std::string_view input = AsText(data, size);
    Request request;
    request.Parse(input);

    const bool forbidden = std::ranges::any_of(input, IsForbiddenByte);
    Require(request.IsMalicious() == forbidden);
    if (forbidden) Require(request.RawText().empty() && request.Url().empty() && !request.IsWellFormed());
    // The raw text is the input, unless it held nothing but blanks and line ends.
    if (!request.RawText().empty()) Require(request.RawText() == input);
    Require(request.RawText().data()[request.RawText().size()] == '\0');
    CheckTexts(request, input);

    // A request may parse its own raw text again, and then reads the same.
    const Method method = request.method();
    const std::string url(request.Url());
    const std::string query(request.Query());
    const std::string host(request.Header("Host"));
    const bool malicious = request.IsMalicious();
    request.Parse(request.RawText());
    if (!malicious) {
        Require(request.method() == method && request.Url() == url && request.Query() == query &&
                request.Header("Host") == host);
    }
    CheckTexts(request, input);
    return 0;
}
