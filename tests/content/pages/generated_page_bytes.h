#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "http/http_date.h"
#include "http/response.h"
#include "support/page_bytes.h"
#include "support/response_bytes.h"

namespace vireo::testing {

// The home and listing pages' shared pieces, written out independently of the code under test.
inline const std::string kPoweredByCell =
    "<td noWrap width=\"300\" align=\"right\">Powered by <a href=\"https://quillmark.example/vireo\" "
    "target=\"_blank\">Vireo</a></td>\r\n";
inline const std::string kPageEnd = "</BODY>\r\n</HTML>\r\n";

// The answer with the values of its "Date", "Last-Modified" and "Expires" headers replaced by "*".
inline std::string MaskTimes(std::string answer)
{
    for (std::string_view name : {"Date", "Last-Modified", "Expires"}) {
        const std::size_t header_end = answer.find("\r\n\r\n");
        const std::string key = "\r\n" + std::string(name) + ": ";
        const std::size_t start = answer.find(key);
        if (start == std::string::npos || start >= header_end) continue;
        const std::size_t value = start + key.size();
        answer.replace(value, answer.find("\r\n", value) - value, "*");
    }
    return answer;
}

// A generated page's whole answer for a body.
inline std::string GeneratedPage(const std::string& body)
{
    return "HTTP/1.1 200 OK\r\nDate: *\r\nServer: Vireo 6.5 (https://quillmark.example/vireo)\r\n"
           "Last-Modified: *\r\nExpires: *\r\nAccept-Ranges: bytes\r\nConnection: close\r\n"
           "Content-Type: text/html\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

// The time a date header of an answer names; nothing when it is absent or unreadable.
inline std::optional<std::time_t> HeaderDate(std::string_view answer, std::string_view name)
{
    const std::string key = "\r\n" + std::string(name) + ": ";
    std::size_t start = answer.find(key);
    if (start == std::string_view::npos) return std::nullopt;
    start += key.size();
    return ParseHttpDate(answer.substr(start, answer.find("\r\n", start) - start));
}

inline std::string FinishedBytes(Response& response)
{
    return response.IsFinished() ? MaskTimes(ReadAll(response)) : std::string("(not finished)");
}

// One row of a file table as both pages write it.
inline std::string EntryRowBytes(std::string_view href, std::string_view link, std::string_view after_link,
                                 std::string_view type, std::string_view size, std::string_view time,
                                 std::string_view last_cell)
{
    return "<tr>\r\n<td noWrap align=\"left\"><a href=\"" + std::string(href) + "\">" + std::string(link) +
           "</a>" + std::string(after_link) + "</td>\r\n<td noWrap align=\"left\">" + std::string(type) +
           "</td>\r\n<td noWrap align=\"right\">" + std::string(size) +
           "</td>\r\n<td noWrap align=\"right\">" + std::string(time) + "</td>\r\n" + std::string(last_cell) +
           "</tr>\r\n";
}

}  // namespace vireo::testing
