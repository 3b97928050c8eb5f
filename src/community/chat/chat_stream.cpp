#include "community/chat/chat_stream.h"

#include <ctime>
#include <optional>

#include "base/ascii_case.h"
#include "base/chunked_body.h"
#include "base/product.h"
#include "base/url_codec.h"
#include "http/http_date.h"

namespace vireo {
namespace {

constexpr std::string_view kHeadBeforeMakerLink =
    "<HTML>\r\n<HEAD>\r\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
    "<style>\r\n"
    "A {color:#ff0000}\r\n"
    "B {color:#00BFFF}\r\n"
    "P {color:#ffffff; margin-top:0; margin-bottom:12}\r\n"
    "</style>\r\n"
    "</HEAD>\r\n"
    "<BODY bgColor=\"#000000\" text=\"#ffffff\">\r\n"
    "<h3>Welcome to <a href=\"";

constexpr std::string_view kHeadAfterMakerLink =
    "\" target=\"_blank\">Vireo</a> Chat Room!</h3>\r\n"
    "<p><b>Talk: </b>Type text in the editbox below and strike Enter to send.</p>\r\n"
    "<p><b>Private Talk: </b>Click his/her name on the left pane.</p>\r\n"
    "<p><b>Change Name: </b><font color=\"#FFA500\">!NAME=</font>new name</p>\r\n"
    "<p><b>Call a Member's Attention: </b><font color=\"#FFA500\">!WAKEUP</font> member's name</p>\r\n"
    "<p><b>Wake up the Host: </b>Select [All], type <font color=\"#FFA500\">!WAKEUP</font>, "
    "strike [Enter].</p>\r\n"
    "<p><b>Welcome Message: </b><font color=\"#FFA500\">!WELCOME=</font> message</p>\r\n"
    "<p><b>Kick Member: </b><font color=\"#FFA500\">!KICK</font> member's name</p>\r\n"
    "<p><b>Block Member: </b><font color=\"#FFA500\">!BLOCK</font> member's name</p>\r\n"
    "<hr size=1 color=\"#ffff00\">\r\n";

bool SpeaksInRed(std::string_view speaker)
{
    return EqualsIgnoreCase(speaker, kRoomSpeaker) || EqualsIgnoreCase(speaker, "Zorevor1");
}

}  // namespace

std::string ChatStreamHead()
{
    const std::optional<std::string> now = FormatHttpDate(std::time(nullptr));
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nServer: " + std::string(kServerName) +
           "\r\nTransfer-Encoding: chunked\r\nDate: " + now.value_or("") + "\r\n\r\n";
}

const std::string& ChatOutputHead()
{
    static const std::string head =
        std::string(kHeadBeforeMakerLink) + std::string(kMakerUrl) + std::string(kHeadAfterMakerLink);
    return head;
}

std::string ChatTitleScript(std::string_view name)
{
    return "<script LANGUAGE=JAVASCRIPT>parent.document.title=\"" + HtmlEscape(name) +
           " --- Vireo Chat Room\";</SCRIPT>\r\n";
}

std::string ChatWelcome(std::string_view message_html)
{
    return "<p style=\"color:#FFA500\">" + std::string(message_html) +
           "</p>\r\n<hr size=1 color=\"#ffff00\">\r\n";
}

std::string ChatMessage(std::uint64_t element, std::string_view speaker, std::string_view html,
                        std::string_view script)
{
    const std::string id = "t" + std::to_string(element);
    std::string chunk = "<p id=\"" + id + "\"><b";
    if (SpeaksInRed(speaker)) chunk += " style=\"color:#ff0000\"";
    chunk += ">";
    chunk += speaker;
    chunk += ": </b>";
    chunk += html;
    chunk += "</p><script LANGUAGE=JAVASCRIPT>" + id + ".scrollIntoView(true);";
    chunk += script;
    chunk += "</SCRIPT>\r\n";
    return chunk;
}

std::string Chunk(std::string_view data)
{
    std::string chunk = ChunkSizeLine(data.size());
    chunk.reserve(chunk.size() + data.size() + 2);
    chunk += data;
    chunk += "\r\n";
    return chunk;
}

}  // namespace vireo
