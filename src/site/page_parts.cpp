#include "site/page_parts.h"

#include "base/product.h"
#include "base/url_codec.h"
#include "site/page_text.h"

namespace vireo {

void BeginGeneratedAnswer(Response& response, int expires_minutes)
{
    response.BeginResponse(200);
    response.AddDateHeader("Last-Modified");
    response.AddExpires(0, expires_minutes);
    response.AddHeader("Accept-Ranges", "bytes");
    response.AddConnection();
    response.AddContentType("text/html");
}

void BeginGeneratedPage(Response& response, int expires_minutes, std::string_view title_html,
                        std::string_view extra_head)
{
    BeginGeneratedAnswer(response, expires_minutes);
    response.BeginPage(title_html, "#ffffff", extra_head);
}

void EndGeneratedPage(Response& response)
{
    response.AddBodyText("</BODY>\r\n</HTML>\r\n");
    response.Finish();
}

void AddPoweredByCell(Response& response)
{
    response.AddBodyText("<td noWrap width=\"300\" align=\"right\">Powered by <a href=\"");
    response.AddBodyText(kMakerUrl);
    response.AddBodyText("\" target=\"_blank\">Vireo</a></td>\r\n");
}

void AddTitleBanner(Response& response, std::string_view title_html)
{
    response.AddBodyText("<table cols=\"2\" rows=\"1\" border=\"0\" width=\"100%\">\r\n<tr>\r\n<td><h4>");
    response.AddBodyText(title_html);
    response.AddBodyText("</h4></td>\r\n");
    AddPoweredByCell(response);
    response.AddBodyText("</tr>\r\n</table>\r\n");
    response.AddBodyText(kBannerRule);
}

std::string HrefText(std::string_view name)
{
    std::string escaped = UrlEscape(name);
    // Listings call this for every row, and few names hold a "?".
    for (std::size_t at = escaped.find('?'); at != std::string::npos; at = escaped.find('?', at + 3)) {
        escaped.replace(at, 1, "%3F");
    }
    return HtmlEscape(escaped);
}

std::string RelativeHref(std::string_view name)
{
    const bool looks_like_scheme = name.find(':') != std::string_view::npos;
    return (looks_like_scheme ? "./" : "") + HrefText(name);
}

void AddEntryRow(Response& response, const EntryRow& row)
{
    response.AddBodyText("<tr>\r\n<td noWrap align=\"left\"><a href=\"");
    response.AddBodyText(row.href);
    response.AddBodyText("\">");
    response.AddBodyText(row.link_html);
    response.AddBodyText("</a>");
    response.AddBodyText(row.after_link);
    response.AddBodyText("</td>\r\n<td noWrap align=\"left\">");
    response.AddBodyText(row.type_html);
    response.AddBodyText("</td>\r\n<td noWrap align=\"right\">");
    response.AddBodyText(row.entry.directory ? std::string("0") : FormatSize(row.entry.size));
    response.AddBodyText("</td>\r\n<td noWrap align=\"right\">");
    response.AddBodyText(FormatEntryTime(row.entry.last_write));
    response.AddBodyText("</td>\r\n");
    response.AddBodyText(row.last_cell);
    response.AddBodyText("</tr>\r\n");
}

}  // namespace vireo
