#include "community/chat/chat_pages.h"

#include "base/product.h"
#include "base/url_codec.h"

namespace vireo {
namespace {

constexpr std::string_view kUtf8Meta =
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n";

constexpr std::string_view kListTop =
    "<style>\r\n"
    "TD {color:#FFA500; cursor:pointer}\r\n"
    "</style>\r\n"
    "<script LANGUAGE=JAVASCRIPT>\r\n"
    "function Hilit(cel) {\r\n"
    "  var cells = document.getElementsByTagName(\"td\");\r\n"
    "  for (var i = 0; i < cells.length; i++) {\r\n"
    "    cells[i].style.backgroundColor = \"#000000\";\r\n"
    "    cells[i].style.color = \"#FFA500\";\r\n"
    "  }\r\n"
    "  cel.style.backgroundColor = \"#0000ff\";\r\n"
    "  cel.style.color = \"#ffff00\";\r\n"
    "  parent.input.fm.to.value=cel.innerText;\r\n"
    "}\r\n"
    "function refresh() {\r\n"
    "  document.location.reload();\r\n"
    "}\r\n"
    "function UpdateSel() {\r\n"
    "  if (!parent.inputready) return;\r\n"
    "  var cells = document.getElementsByTagName(\"td\");\r\n"
    "  for (var i = 0; i < cells.length; i++) {\r\n"
    "    if (cells[i].innerText == parent.input.fm.to.value) {\r\n"
    "      Hilit(cells[i]);\r\n"
    "      return;\r\n"
    "    }\r\n"
    "  }\r\n"
    "}\r\n"
    "</SCRIPT>\r\n"
    "</HEAD>\r\n"
    "<BODY bgColor=\"#000000\" onload=\"UpdateSel();\">\r\n"
    "<h4 style=\"color:#ffffff;cursor:pointer\" onclick=\"refresh();\">Members</h4>\r\n"
    "<table border=\"0\" width=\"100%\">\r\n"
    "<tr><td onclick=\"Hilit(this);\">All</td></tr>\r\n";

constexpr std::string_view kInputPage =
    "<style>\r\n"
    "HTML, BODY, FORM {height:100%; margin:0}\r\n"
    "</style>\r\n"
    "<script LANGUAGE=JAVASCRIPT>\r\n"
    "function OnKey(e) {\r\n"
    "  var box = document.getElementById(\"editbox\");\r\n"
    "  if (e.keyCode == 13 && !e.shiftKey && box.value != \"\") {\r\n"
    "    document.getElementById(\"speech\").value = box.value;\r\n"
    "    box.value = \"\";\r\n"
    "    e.preventDefault();\r\n"
    "    document.fm.submit();\r\n"
    "    return false;\r\n"
    "  }\r\n"
    "  return true;\r\n"
    "}\r\n"
    "document.onkeydown = OnKey;\r\n"
    "window.onfocus = function() { document.getElementById(\"editbox\").focus(); };\r\n"
    "</SCRIPT>\r\n"
    "</HEAD>\r\n"
    "<BODY onload=\"parent.inputready=true;document.getElementById('editbox').focus();\">\r\n"
    "<form name=\"fm\" METHOD=\"POST\">\r\n"
    "<input type=\"hidden\" name=\"to\" value=\"All\">\r\n"
    "<textarea name=\"speechtext\" id=\"speech\" style=\"display:none\"></textarea>\r\n"
    "<textarea id=\"editbox\" style=\"width:100%;height:100%;border:0;resize:none\"></textarea>\r\n"
    "</form>\r\n"
    "</BODY>\r\n"
    "</HTML>";

void BeginChatPage(Response& response)
{
    response.BeginResponse(200);
    response.AddConnection();
    response.AddContentType("text/html");
}

void BeginHtmlHead(Response& response)
{
    response.AddBodyText("<HTML>\r\n<HEAD>\r\n");
    response.AddBodyText(kUtf8Meta);
}

}  // namespace

void WriteChatFrameset(Response& response, std::uint32_t member_id)
{
    BeginChatPage(response);
    const std::string id = std::to_string(member_id);
    response.AddBodyText(
        "<HTML>\r\n<script LANGUAGE=JAVASCRIPT>var inputready=false;</SCRIPT>\r\n"
        "<frameset framespacing=\"2\" frameborder=\"yes\" cols=\"25%,*\">\r\n"
        "<frame src=\"list.htm\" name=\"list\">\r\n"
        "<frameset rows=\"70%,*\">\r\n"
        "<frame src=\"output.htm?id=" +
        id + "\" name=\"output\" scrolling=\"auto\">\r\n<frame src=\"input.htm?id=" + id +
        "\" name=\"input\" scrolling=\"no\">\r\n"
        "</frameset>\r\n"
        "</frameset>\r\n"
        "</HTML>");
    response.Finish();
}

void WriteChatMemberList(Response& response, std::span<const ChatMember> members)
{
    BeginChatPage(response);
    BeginHtmlHead(response);
    response.AddBodyText(kListTop);
    for (const ChatMember& member : members) {
        response.AddBodyText("<tr><td onclick=\"Hilit(this);\">" + HtmlEscape(member.name) +
                             "</td></tr>\r\n");
    }
    response.AddBodyText("</table>\r\n</BODY>\r\n</HTML>");
    response.Finish();
}

void WriteChatInput(Response& response)
{
    BeginChatPage(response);
    BeginHtmlHead(response);
    response.AddBodyText(kInputPage);
    response.Finish();
}

void WriteChatNotice(Response& response, std::string_view message)
{
    BeginChatPage(response);
    BeginHtmlHead(response);
    response.AddBodyText(
        "<title>Vireo Chat Room</title>\r\n"
        "</HEAD>\r\n"
        "<BODY bgColor=\"#000000\" text=\"#ffffff\" link=\"#ff0000\" vlink=\"#ff0000\">\r\n"
        "<h3><a href=\"");
    response.AddBodyText(kMakerUrl);
    response.AddBodyText(
        "\" target=\"_blank\">Vireo</a> Chat Room</h3>\r\n"
        "<hr size=1 color=\"#ffff00\">\r\n"
        "<table border=\"0\" width=\"100%\" height=\"70%\">\r\n"
        "<tr>\r\n<td align=\"center\">");
    response.AddBodyText(message);
    response.AddBodyText("</td>\r\n</tr>\r\n</table>\r\n</BODY>\r\n</HTML>");
    response.Finish();
}

}  // namespace vireo
