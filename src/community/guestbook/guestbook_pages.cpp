#include "community/guestbook/guestbook_pages.h"

#include "base/product.h"
#include "site/page_parts.h"

namespace vireo {
namespace {

constexpr std::string_view kTitle = "Guestbook";
constexpr int kFormExpiresMinutes = 5;

constexpr std::string_view kFormTop =
    "<table border=\"0\" cellpadding=\"0\" cellspacing=\"0\" width=\"100%\" height=\"100%\">\r\n"
    "<tr bgColor=\"#0080ff\" height=\"24\">\r\n"
    "<td><h5 style=\"color:#ffffff;margin:0\">Drop A Message</h5></td>\r\n"
    "<td align=\"right\" style=\"color:#ffffff\">Powered by <a style=\"color:#ffff00\" href=\"";

constexpr std::string_view kFormRest =
    "\" target=\"_blank\">Vireo</a></td>\r\n"
    "</tr>\r\n"
    "<tr>\r\n<td colspan=\"2\">\r\n"
    "<form name=\"fm\" METHOD=\"POST\" style=\"margin:0;width:100%;height:100%\">\r\n"
    "<TEXTAREA name=\"msg\" id=\"msg\" style=\"width:100%;height:90%\"></TEXTAREA>\r\n"
    "<p align=\"right\" style=\"margin:4\"><input type=\"submit\" VALUE=\"Send\" id=\"send\" "
    "style=\"height:24;width:80\"></p>\r\n"
    "</form>\r\n</td>\r\n</tr>\r\n"
    "<tr bgColor=\"#0080ff\" height=\"24\">\r\n<td colspan=\"2\">&nbsp;</td>\r\n</tr>\r\n"
    "</table>\r\n";

constexpr std::string_view kReplyHeading =
    "<table border=\"0\" width=\"100%\">\r\n<tr>\r\n"
    "<td><h3 style=\"color:#0000FF\">Guestbook</h3></td>\r\n"
    "<td align=\"right\"><a href=\"/\">Home</a></td>\r\n"
    "</tr>\r\n</table>\r\n";

}  // namespace

void WriteGuestbookForm(Response& response)
{
    response.BeginResponse(200);
    response.AddDateHeader("Last-Modified");
    response.AddExpires(0, kFormExpiresMinutes);
    response.AddConnection();
    response.AddContentType("text/html");
    response.BeginPage(kTitle, "#ffffff");
    response.AddBodyText(kFormTop);
    response.AddBodyText(kMakerUrl);
    response.AddBodyText(kFormRest);
    EndGeneratedPage(response);
}

void WriteGuestbookReply(Response& response, std::string_view reply)
{
    response.BeginResponse(200);
    response.AddConnection();
    response.AddContentType("text/html");
    response.BeginPage(kTitle, "#ffffff");
    response.AddBodyText(kReplyHeading);
    response.AddBodyText(kBannerRule);
    response.AddBodyText(
        "<table border=\"0\" width=\"100%\" height=\"70%\">\r\n<tr>\r\n<td align=\"center\">");
    response.AddBodyText(reply);
    response.AddBodyText("</td>\r\n</tr>\r\n</table>\r\n");
    EndGeneratedPage(response);
}

}  // namespace vireo
