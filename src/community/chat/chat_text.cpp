#include "community/chat/chat_text.h"

#include "base/ascii_case.h"
#include "base/url_codec.h"

namespace vireo {
namespace {

bool EndsLink(char c)
{
    return c == '\0' || c == '\r' || c == '\n' || c == '\t' || c == ' ';
}

// How long the link at the start of text is; 0 when text does not start with one.
std::size_t LinkLength(std::string_view text)
{
    if (!StartsWithIgnoreCase(text, "http:") && !StartsWithIgnoreCase(text, "https:")) return 0;
    std::size_t end = text.find(':') + 1;
    while (end < text.size() && (text[end] == ':' || text[end] == '/')) ++end;
    while (end < text.size() && !EndsLink(text[end])) ++end;
    return end;
}

void AppendText(std::string& out, char c)
{
    const std::string_view entity = MarkupEntity(c);
    if (entity.empty()) {
        out += c;
    } else {
        out += entity;
    }
}

void AppendLink(std::string& out, std::string_view link)
{
    out += "<a href=\"";
    for (char c : link) {
        if (c == '"') {
            out += "%22";  // would end the attribute and let the rest of the text write markup
        } else {
            out += c;
        }
    }
    out += "\" target=\"_blank\">";
    for (char c : link) AppendText(out, c);
    out += "</a>";
}

}  // namespace

std::string ChatMessageHtml(std::string_view text)
{
    std::string html;
    html.reserve(text.size() + text.size() / 4);
    std::size_t i = 0;
    while (i < text.size()) {
        if (const std::size_t link = LinkLength(text.substr(i))) {
            AppendLink(html, text.substr(i, link));
            i += link;
            continue;
        }
        const char c = text[i++];
        if (c == '\n') {
            html += "<br>";
        } else if (c != '\r') {
            AppendText(html, c);
        }
    }
    return html;
}

}  // namespace vireo
