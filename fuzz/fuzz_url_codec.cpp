// The URL codec: UrlUnescape decodes every request path before it is looked up; UrlEscape and
// HtmlEscape write names from the disk and from visitors into pages. The input is any text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/url_codec.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo;
    using namespace vireo::fuzz;
    const std::string_view input = AsText(data, size);

    // Each decoded "%XX" takes three bytes and gives one, so the result is never longer, and
    // without a "%" nothing changes.
    const std::string decoded = UrlUnescape(input);
    Require(decoded.size() <= input.size() && (input.size() - decoded.size()) % 2 == 0);
    if (input.find('%') == std::string_view::npos) Require(decoded == input);

    // Escaping for an href leaves no space, quote or "#" behind and decodes back to the name.
    const std::string escaped = UrlEscape(input);
    Require(escaped.find_first_of(" \"#") == std::string::npos);
    Require(UrlUnescape(escaped) == input);

    // Escaped HTML holds no markup; every "&" starts one of the four entities.
    const std::string html = HtmlEscape(input);
    Require(html.find_first_of("<>\"") == std::string::npos);
    for (std::size_t at = html.find('&'); at != std::string::npos; at = html.find('&', at + 1)) {
        const std::string_view rest = std::string_view(html).substr(at);
        Require(rest.starts_with("&amp;") || rest.starts_with("&lt;") || rest.starts_with("&gt;") ||
                rest.starts_with("&quot;"));
    }
    return 0;
}
