#include "platform/router/upnp_text.h"

#include <algorithm>

#include "base/ascii_case.h"
#include "base/text_helpers.h"
#include "platform/router/url_reference.h"

namespace vireo {
namespace {

bool EndsTagName(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '>';
}

// Where `opener` followed by `name` and a delimiter next occurs from `from` on; npos when nowhere.
std::size_t FindTag(std::string_view text, std::string_view opener, std::string_view name, std::size_t from)
{
    for (std::size_t at = text.find(opener, from); at != std::string_view::npos;
         at = text.find(opener, at + 1)) {
        const std::size_t after = at + opener.size();
        if (text.substr(after, name.size()) != name) continue;
        const std::size_t delimiter = after + name.size();
        if (delimiter < text.size() && EndsTagName(text[delimiter])) return at;
    }
    return std::string_view::npos;
}

}  // namespace

std::string_view HeaderValue(std::string_view text, std::string_view name)
{
    for (std::size_t line = 0; line <= text.size();) {
        const std::string_view rest = text.substr(line);
        if (StartsWithIgnoreCase(rest, name) && rest.size() > name.size() && rest[name.size()] == ':') {
            std::size_t start = line + name.size() + 1;
            while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) ++start;
            const std::size_t end = text.find_first_of("\r\n", start);
            return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        }
        const std::size_t feed = text.find('\n', line);
        if (feed == std::string_view::npos) break;
        line = feed + 1;
    }
    return {};
}

std::optional<std::string_view> ElementText(std::string_view text, std::size_t& cursor, std::string_view name)
{
    const std::size_t open = FindTag(text, "<", name, cursor);
    if (open == std::string_view::npos) return std::nullopt;
    const std::size_t content = text.find('>', open);
    if (content == std::string_view::npos) return std::nullopt;
    const std::size_t close = FindTag(text, "</", name, content + 1);
    if (close == std::string_view::npos) return std::nullopt;
    cursor = close;
    return text.substr(content + 1, close - content - 1);
}

bool IsPlainAddress(std::string_view address)
{
    return !address.empty() && std::ranges::none_of(address, [](char c) {
        return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F;
    });
}

std::optional<std::string> FindControlUrl(std::string_view description, std::string_view location,
                                          std::string_view service_type)
{
    std::size_t cursor = 0;
    while (std::optional<std::string_view> service = ElementText(description, cursor, "service")) {
        std::size_t inner = 0;
        std::optional<std::string_view> type = ElementText(*service, inner, "serviceType");
        if (!type || *type != service_type) continue;
        inner = 0;
        std::optional<std::string_view> control = ElementText(*service, inner, "controlURL");
        if (!control) continue;
        // Blanks around the address are layout of the document.
        std::string address(*control);
        TrimText(address);
        if (!IsPlainAddress(address)) continue;
        return ResolveReference(location, address);
    }
    return std::nullopt;
}

}  // namespace vireo
