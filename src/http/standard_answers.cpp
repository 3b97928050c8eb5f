#include "http/standard_answers.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "base/url_codec.h"

namespace vireo {
namespace {

constexpr std::string_view kPageTitleRowStart =
    "<table width=\"100%\" cols=\"2\">\r\n<tr>\r\n<td align=\"left\" vAlign=\"middle\">";
constexpr std::string_view kPageTitleRowEnd =
    "</h3></td>\r\n<td align=\"right\" vAlign=\"middle\"><a style=\"color:#0000ff\" "
    "href=\"/\">Home</a></td>\r\n"
    "</tr>\r\n</table>\r\n<hr size=\"1\">\r\n";

// The words the error page puts after the status number; other statuses get none.
constexpr std::array<std::pair<unsigned, std::string_view>, 6> kReasonTexts = {{
    {400, "(Bad Request)"},
    {401, "(Unauthorized)"},
    {403, "(Forbidden)"},
    {404, "(Not Found)"},
    {405, "(Method Not Allowed)"},
    {406, "(Not Acceptable)"},
}};

std::string_view ReasonText(unsigned status)
{
    auto known = std::ranges::find(kReasonTexts, status, &std::pair<unsigned, std::string_view>::first);
    return known != kReasonTexts.end() ? known->second : std::string_view();
}

// Writes each non-blank line of the request, without its leading blanks and line ends, followed
// by a line break. The text comes from the visitor, so it is escaped.
void AddRequestLines(Response& response, std::string_view text)
{
    while (true) {
        std::size_t begin = text.find_first_not_of(" \r\n");
        if (begin == std::string_view::npos) return;
        text.remove_prefix(begin);
        std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
        response.AddBodyText(HtmlEscape(text.substr(0, end)));
        response.AddBodyText("<br>\r\n");
        text.remove_prefix(end);
    }
}

// An answer of the status line and the standard headers alone.
void BuildHeaderOnly(Response& response, unsigned status)
{
    response.BeginResponse(status);
    response.AddConnection();
    response.Finish();
}

// Status line, the "Connection" header, and for a page the content type and page head with its
// banner: the heading cell's style and text, then the link home.
void BeginStandardPage(Response& response, unsigned status, std::string_view title, std::string_view heading)
{
    response.BeginResponse(status);
    response.AddConnection();
    response.AddContentType("text/html");
    response.BeginPage(title, "#ffffff");
    response.AddBodyText(kPageTitleRowStart);
    response.AddBodyText(heading);
    response.AddBodyText(kPageTitleRowEnd);
}

}  // namespace

void BuildErrorPage(Response& response, unsigned status, std::string_view request_text)
{
    // The chat room answers a speech post this way: nothing to show.
    if (status == 204) {
        BuildHeaderOnly(response, status);
        return;
    }
    std::string heading = "<h3 style=\"color:#ff0000;margin-top:9;margin-bottom:9\">Error " +
                          std::to_string(status) + " " + std::string(ReasonText(status));
    BeginStandardPage(response, status, "Error", heading);
    if (!request_text.empty()) {
        response.AddBodyText("<h5>Request:</h5>\r\n<p>");
        AddRequestLines(response, request_text);
        response.AddBodyText("</p>\r\n");
    }
    response.AddPageFooter();
    response.Finish();
}

void BuildUnauthorized(Response& response)
{
    response.BeginResponse(401);
    response.AddConnection();
    response.AddHeader("WWW-Authenticate", "Basic realm=\"Vireo\"");
    response.Finish();
}

void BuildRedirect(Response& response, std::string_view location)
{
    response.BeginResponse(302);
    response.AddConnection();
    response.AddContentType("text/html");
    response.AddHeader("Location", location);
    response.AddBodyText(
        "<HTML>\r\n<HEAD>\r\n<TITLE>302 Found</TITLE>\r\n</HEAD>\r\n<BODY>\r\n<H1>Found</H1>\r\n"
        "<p>The document has moved <A HREF=\"");
    response.AddBodyText(HtmlEscape(location));
    response.AddBodyText("\">here</A>.<P>\r\n<HR>\r\n</BODY>\r\n</HTML>\r\n");
    response.Finish();
}

void BuildNotModified(Response& response)
{
    BuildHeaderOnly(response, 304);
}

void BuildEchoPage(Response& response, std::string_view request_text)
{
    BeginStandardPage(response, 200, "Request Echo",
                      "<h3 style=\"color:#000000;margin-top:9;margin-bottom:9\">Request Echo");
    if (!request_text.empty()) {
        AddRequestLines(response, request_text);
        // There is no opening paragraph here; browsers ignore the unmatched end tag.
        response.AddBodyText("</p>\r\n");
    }
    response.AddPageFooter();
    response.Finish();
}

}  // namespace vireo
