#pragma once

#include <string>
#include <string_view>

#include "support/page_bytes.h"

namespace vireo::testing {

// The guestbook's pages as a browser must receive them, written out independently of the code.

inline std::string GuestbookFormBody()
{
    return PageHead("Guestbook") +
           "<table border=\"0\" cellpadding=\"0\" cellspacing=\"0\" width=\"100%\" height=\"100%\">\r\n"
           "<tr bgColor=\"#0080ff\" height=\"24\">\r\n"
           "<td><h5 style=\"color:#ffffff;margin:0\">Drop A Message</h5></td>\r\n"
           "<td align=\"right\" style=\"color:#ffffff\">Powered by <a style=\"color:#ffff00\" "
           "href=\"https://quillmark.example/vireo\" target=\"_blank\">Vireo</a></td>\r\n"
           "</tr>\r\n"
           "<tr>\r\n<td colspan=\"2\">\r\n"
           "<form name=\"fm\" METHOD=\"POST\" style=\"margin:0;width:100%;height:100%\">\r\n"
           "<TEXTAREA name=\"msg\" id=\"msg\" style=\"width:100%;height:90%\"></TEXTAREA>\r\n"
           "<p align=\"right\" style=\"margin:4\"><input type=\"submit\" VALUE=\"Send\" id=\"send\" "
           "style=\"height:24;width:80\"></p>\r\n"
           "</form>\r\n</td>\r\n</tr>\r\n"
           "<tr bgColor=\"#0080ff\" height=\"24\">\r\n<td colspan=\"2\">&nbsp;</td>\r\n</tr>\r\n"
           "</table>\r\n</BODY>\r\n</HTML>\r\n";
}

// The whole answer of the form page with its three times masked.
inline std::string GuestbookFormAnswer(bool head_only = false)
{
    const std::string body = GuestbookFormBody();
    return "HTTP/1.1 200 OK\r\nDate: *\r\nServer: Vireo 6.5 (https://quillmark.example/vireo)\r\n"
           "Last-Modified: *\r\nExpires: *\r\nConnection: close\r\nContent-Type: text/html\r\n"
           "Content-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + (head_only ? std::string() : body);
}

// The whole answer of the reply page for a reply text, its Date masked.
inline std::string GuestbookReplyAnswer(std::string_view reply)
{
    return HtmlAnswer(
        "HTTP/1.1 200 OK",
        PageHead("Guestbook") +
            "<table border=\"0\" width=\"100%\">\r\n<tr>\r\n"
            "<td><h3 style=\"color:#0000FF\">Guestbook</h3></td>\r\n"
            "<td align=\"right\"><a href=\"/\">Home</a></td>\r\n"
            "</tr>\r\n</table>\r\n"
            "<hr color=\"#000000\" size=\"1\" style=\"margin-top:0;margin-bottom:0\">\r\n"
            "<table border=\"0\" width=\"100%\" height=\"70%\">\r\n<tr>\r\n<td align=\"center\">" +
            std::string(reply) + "</td>\r\n</tr>\r\n</table>\r\n</BODY>\r\n</HTML>\r\n");
}

}  // namespace vireo::testing
