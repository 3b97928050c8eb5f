#include "content/upload/upload_form.h"

#include "base/number_format.h"
#include "base/url_codec.h"
#include "http/send_response.h"
#include "site/page_parts.h"

namespace vireo {
namespace {

constexpr int kExpiresMinutes = 5;
constexpr std::string_view kTitle = "Post a File";
// Clears the status cell when another file is chosen and shows that the upload is on its way.
constexpr std::string_view kScript =
    "<SCRIPT LANGUAGE=\"JAVASCRIPT\">\r\n"
    "function clrst()\r\n{\r\nst.innerText=\"\";\r\n}\r\n"
    "function onsend()\r\n{\r\nst.innerText=\"Uploading, Please wait...\";\r\n}\r\n"
    "</SCRIPT>\r\n";

// The directory's own URL: the folder's name and the path below it, each followed by "/".
std::string DirectoryUrl(const ResolvedTarget& directory)
{
    std::string url = "/" + directory.folder_name + "/";
    if (!directory.rest.empty()) url += directory.rest + "/";
    return url;
}

}  // namespace

std::string UploadResultText(std::span<const ReceivedFile> files)
{
    std::string text = std::to_string(files.size()) + " Files: ";
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i > 0) text += "; ";
        text += files[i].base_name();
        text += " (" + FormatGrouped(files[i].bytes_written) + "), ";
        text += files[i].stored ? "OK" : "Failed";
    }
    return text;
}

void WriteUploadPage(Response& response, const ResolvedTarget& directory, std::string_view status_text)
{
    BeginGeneratedPage(response, kExpiresMinutes, kTitle, kScript);
    const std::string url = DirectoryUrl(directory);
    response.AddBodyText(
        "<table cols=\"2\" rows=\"1\" border=\"0\" width=\"100%\" style=\"margin-top:24\">\r\n<tr>\r\n"
        "<td style=\"padding-top:24;padding-bottom:16\"><b>Post a file to: </b><a href=\"");
    response.AddBodyText(HrefText(url));
    response.AddBodyText("\">");
    response.AddBodyText(HtmlEscape(UrlEscape(url)));
    response.AddBodyText("</a></td>\r\n");
    AddPoweredByCell(response);
    response.AddBodyText(
        "</tr>\r\n</table>\r\n"
        "<table width=\"100%\" height=\"80%\" cols=\"1\" rows=\"3\">\r\n"
        "<tr><td height=\"16\" "
        "style=\"color:#ffffff;background-color:#0080ff;padding-top:3;padding-bottom:3\">"
        "Tip: Use [Browse...] to locate the file then click [Send Now].</td></tr>\r\n"
        "<tr>\r\n<td align=\"center\">\r\n"
        "<form ENCTYPE=\"multipart/form-data\" METHOD=\"POST\" name=\"fm\" onsubmit=\"onsend();\">\r\n"
        "File Path:<input TYPE=\"FILE\" name=\"fp\" id=\"path\" style=\"height:24;width:400\" "
        "onchange=\"clrst();\">&nbsp;"
        "<input TYPE=\"SUBMIT\" VALUE=\"Send Now\" id=\"send\" style=\"height:24;width:80\">\r\n"
        "</form>\r\n</td>\r\n</tr>\r\n"
        "<tr><td height=\"16\" id=\"st\" "
        "style=\"color:#ffff00;background-color:#0080ff;padding-top:3;padding-bottom:3\">");
    response.AddBodyText(status_text.empty() ? std::string("&nbsp;") : HtmlEscape(status_text));
    response.AddBodyText("</td></tr>\r\n</table>\r\n</BODY>\r\n</HTML>");
    response.Finish();
}

int AnswerUploadForm(Exchange& exchange)
{
    Response response;
    WriteUploadPage(response, exchange.target, {});
    return exchange.Send(response);
}

}  // namespace vireo
