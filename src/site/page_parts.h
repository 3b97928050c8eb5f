#pragma once

#include <string>
#include <string_view>

#include "http/response.h"
#include "site/file_entry.h"

namespace vireo {

// The pieces the home page and the listing pages share.

// The head of every page the server writes itself: status 200 with "Last-Modified" now, "Expires"
// the given minutes from now, "Accept-Ranges", "Connection" and "Content-Type".
void BeginGeneratedAnswer(Response& response, int expires_minutes);
// Starts a generated page: BeginGeneratedAnswer, then the page head with the title (HTML) and any
// extra head text (a script, say).
void BeginGeneratedPage(Response& response, int expires_minutes, std::string_view title_html,
                        std::string_view extra_head = {});
// Closes the page body and finishes the response.
void EndGeneratedPage(Response& response);

// The rule below a page's banner.
inline constexpr std::string_view kBannerRule =
    "<hr color=\"#000000\" size=\"1\" style=\"margin-top:0;margin-bottom:0\">\r\n";

// A table cell with nothing to show.
inline constexpr std::string_view kBlankCell = "<td>&nbsp;</td>\r\n";

// The banner's right-hand cell: "Powered by" and a link to the maker's page, with its line end.
void AddPoweredByCell(Response& response);

// The banner of the home and community pages: the title (HTML) in an "h4" on the left, the
// "Powered by" cell on the right, and a black one-pixel rule below.
void AddTitleBanner(Response& response, std::string_view title_html);

// A name as it goes into an href attribute: percent-escaped as UrlEscape does, "?" too (it would
// start a query), then HTML-escaped, so that "&" can never start an entity.
std::string HrefText(std::string_view name);
// HrefText for a link relative to the page, led by "./" when the name holds a ":", so that a file
// named "javascript:x" is never read as a scheme.
std::string RelativeHref(std::string_view name);

// One row of a file table: the name cell, the type cell, the size cell ("0" for a directory), the
// date cell, then `last_cell` when not empty. Every cell is on a line of its own.
struct EntryRow {
    std::string_view href;        // escaped link target
    std::string_view link_html;   // the link's text, already HTML
    std::string_view after_link;  // HTML inside the name cell behind the link
    std::string_view type_html;   // the type cell's content, already HTML
    const FileEntry& entry;       // size and last write time
    std::string_view last_cell;   // a whole further cell with its line end, or empty
};
void AddEntryRow(Response& response, const EntryRow& row);

}  // namespace vireo
