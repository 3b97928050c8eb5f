// The "Post a File" page, byte for byte, as the form and as the result of an upload.
#include "content/upload/upload_form.h"

#include <gtest/gtest.h>

#include "content/pages/generated_page_bytes.h"
#include "support/socket_pair.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

// The form page's body for a directory URL (as written into the page) and a status cell.
std::string FormBody(std::string_view href, std::string_view link, std::string_view status_cell)
{
    std::string head = PageHead("Post a File");
    const std::string script =
        "<SCRIPT LANGUAGE=\"JAVASCRIPT\">\r\nfunction clrst()\r\n{\r\nst.innerText=\"\";\r\n}\r\n"
        "function onsend()\r\n{\r\nst.innerText=\"Uploading, Please wait...\";\r\n}\r\n</SCRIPT>\r\n";
    head.insert(head.find("</TITLE>\r\n") + 10, script);
    return head +
           "<table cols=\"2\" rows=\"1\" border=\"0\" width=\"100%\" style=\"margin-top:24\">\r\n<tr>\r\n"
           "<td style=\"padding-top:24;padding-bottom:16\"><b>Post a file to: </b><a href=\"" +
           std::string(href) + "\">" + std::string(link) + "</a></td>\r\n" + kPoweredByCell +
           "</tr>\r\n</table>\r\n<table width=\"100%\" height=\"80%\" cols=\"1\" rows=\"3\">\r\n"
           "<tr><td height=\"16\" style=\"color:#ffffff;background-color:#0080ff;padding-top:3;"
           "padding-bottom:3\">Tip: Use [Browse...] to locate the file then click [Send Now].</td></tr>\r\n"
           "<tr>\r\n<td align=\"center\">\r\n<form ENCTYPE=\"multipart/form-data\" METHOD=\"POST\" "
           "name=\"fm\" onsubmit=\"onsend();\">\r\nFile Path:<input TYPE=\"FILE\" name=\"fp\" id=\"path\" "
           "style=\"height:24;width:400\" onchange=\"clrst();\">&nbsp;<input TYPE=\"SUBMIT\" VALUE=\"Send "
           "Now\" "
           "id=\"send\" style=\"height:24;width:80\">\r\n</form>\r\n</td>\r\n</tr>\r\n<tr><td height=\"16\" "
           "id=\"st\" style=\"color:#ffff00;background-color:#0080ff;padding-top:3;padding-bottom:3\">" +
           std::string(status_cell) + "</td></tr>\r\n</table>\r\n</BODY>\r\n</HTML>";
}

ResolvedTarget Directory(std::string folder, std::string rest)
{
    ResolvedTarget target;
    target.kind = TargetKind::Directory;
    target.found = true;
    target.folder_name = std::move(folder);
    target.rest = std::move(rest);
    return target;
}

std::string Page(const ResolvedTarget& directory, std::string_view status)
{
    Response response;
    WriteUploadPage(response, directory, status);
    return FinishedBytes(response);
}

TEST(UploadFormTest, PlainFormForAFolderRoot)
{
    EXPECT_EQ(Page(Directory("photos", ""), ""), GeneratedPage(FormBody("/photos/", "/photos/", "&nbsp;")));
}

TEST(UploadFormTest, SubfolderLinkIsEscaped)
{
    EXPECT_EQ(Page(Directory("my photos", "2024 #1/caf\xc3\xa9"), ""),
              GeneratedPage(FormBody("/my%20photos/2024%20%231/caf\xc3\xa9/",
                                     "/my%20photos/2024%20%231/caf\xc3\xa9/", "&nbsp;")));
    EXPECT_EQ(Page(Directory("a", "<b>&\"?"), ""),
              GeneratedPage(FormBody("/a/&lt;b&gt;&amp;%22%3F/", "/a/&lt;b&gt;&amp;%22?/", "&nbsp;")));
}

TEST(UploadFormTest, ResultPageShowsTheStatusEscaped)
{
    EXPECT_EQ(Page(Directory("photos", ""), "1 Files: <img>.txt (0), OK"),
              GeneratedPage(FormBody("/photos/", "/photos/", "1 Files: &lt;img&gt;.txt (0), OK")));
}

TEST(UploadFormTest, ResultText)
{
    EXPECT_EQ(UploadResultText({}), "0 Files: ");
    std::vector<ReceivedFile> files{
        {.name = "C:\\docs\\report.txt", .base_position = 8, .bytes_written = 1234, .stored = true},
        {.name = "big.bin", .base_position = 0, .bytes_written = 1234567890123ULL, .stored = false},
        {.name = "a/b", .base_position = 2, .bytes_written = 999, .stored = true},
    };
    EXPECT_EQ(UploadResultText(std::span(files).first(1)), "1 Files: report.txt (1,234), OK");
    EXPECT_EQ(UploadResultText(files),
              "3 Files: report.txt (1,234), OK; big.bin (1,234,567,890,123), Failed; b (999), OK");
}

TEST(UploadFormTest, AnswersGetAndHead)
{
    TestHome home;
    const std::string get = AnswerOverSocketPair("GET /photos/?postfile HTTP/1.1\r\n\r\n", [](Connection& c) {
        const ResolvedTarget target = Directory("photos", "");
        vireo::Exchange exchange{c, nullptr, target};
        EXPECT_GT(AnswerUploadForm(exchange), 0);
    });
    const std::string expected = GeneratedPage(FormBody("/photos/", "/photos/", "&nbsp;"));
    EXPECT_EQ(MaskTimes(get), expected);
    const std::string head =
        AnswerOverSocketPair("HEAD /photos/?postfile HTTP/1.1\r\n\r\n",
                             [](Connection& c) {
                                 const ResolvedTarget target = Directory("photos", "");
                                 vireo::Exchange exchange{c, nullptr, target};
                                 AnswerUploadForm(exchange);
                             });
    EXPECT_EQ(MaskTimes(head), expected.substr(0, expected.find("\r\n\r\n") + 4));
}

}  // namespace
}  // namespace vireo::testing
