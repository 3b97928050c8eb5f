#pragma once

#include <string>
#include <string_view>

namespace vireo::testing {

// The bytes every generated page starts and ends with, written out here independently of the
// code that produces them, so tests compare whole pages against what a browser must receive.
inline std::string PageHead(std::string_view title, std::string_view colour = "#ffffff")
{
    return std::string(
               "<HTML>\r\n<HEAD>\r\n"
               "<META HTTP-EQUIV=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
               "<STYLE TYPE=\"TEXT/CSS\">\r\n"
               "BODY{font: x-small Verdana, Arial, Helvetica, sans-serif}\r\n"
               "h1, h2, h3, h4{font-family: verdana, Arial, Helvetica, sans-serif;\tfont-weight: bold;color: "
               "#000000}\r\n"
               "h1{font-size:145%;margin-bottom:.5em}\r\n"
               "h2{font-size:125%;margin-top:1.5em;margin-bottom:.5em}\r\n"
               "h3{font-size:115%; margin-top:1.2em;margin-bottom:.5em}\r\n"
               "h4{font-size:115%;margin-top:0.3em;margin-bottom:1em}\r\n"
               "h5{font-size:100%;margin-top:1em;margin-bottom:1em}\r\n"
               "P{font:x-small Verdana,Arial,Helvetica,sans-serif;color:#000000;margin-top:.5em;margin-bottom:"
               ".5em}\r\n"
               "TD{font-size:x-small;padding-top:0;padding-bottom:0}\r\n"
               "th{font-size:x-small;color:#ffffff;background-color:#0080ff;font-weight:normal;padding-top:2;"
               "padding-bottom:2}\r\n"
               "UL{margin-top:12;margin-bottom:0;list-style:disc}\r\n"
               "LI{margin-top:.5em;margin-bottom:.5em}\r\n"
               "</STYLE>\r\n<TITLE>") +
           std::string(title) + "</TITLE>\r\n\r\n</HEAD>\r\n<BODY bgColor=\"" + std::string(colour) + "\">\r\n";
}

inline std::string PageFooter()
{
    return "<hr size=\"1\">\r\n<p style=\"text-align:right;margin-top:5\"><a style=\"color:#0000ff\" "
           "href=\"https://quillmark.example/vireo\">Powered by Vireo</a></p>\r\n</BODY>\r\n</HTML>\r\n";
}

// The head of an answer with its Date masked (see MaskDate), up to the header lines the builder adds.
inline std::string AnswerStart(std::string_view status_line)
{
    return std::string(status_line) +
           "\r\nDate: *\r\nServer: Vireo 6.5 (https://quillmark.example/vireo)\r\nConnection: close\r\n";
}

// An HTML answer: the status line, the fixed headers, and the body with its length.
inline std::string HtmlAnswer(std::string_view status_line, const std::string& body)
{
    return AnswerStart(status_line) + "Content-Type: text/html\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

// The error page for a status with the request lines as the page shows them.
inline std::string ErrorPage(std::string_view status_line, std::string_view heading, std::string_view lines)
{
    std::string body = PageHead("Error") +
                       "<table width=\"100%\" cols=\"2\">\r\n<tr>\r\n<td align=\"left\" vAlign=\"middle\"><h3 "
                       "style=\"color:#ff0000;margin-top:9;margin-bottom:9\">" +
                       std::string(heading) +
                       "</h3></td>\r\n<td align=\"right\" vAlign=\"middle\"><a style=\"color:#0000ff\" "
                       "href=\"/\">Home</a></td>\r\n</tr>\r\n</table>\r\n<hr size=\"1\">\r\n";
    if (!lines.empty()) body += "<h5>Request:</h5>\r\n<p>" + std::string(lines) + "</p>\r\n";
    return HtmlAnswer(status_line, body + PageFooter());
}

}  // namespace vireo::testing
