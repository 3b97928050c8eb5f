#include "content/pages/home_page.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/url_codec.h"
#include "content/pages/generated_page_bytes.h"
#include "settings/dynamic_files.h"
#include "settings/extension_settings.h"
#include "settings/settings.h"
#include "site/page_text.h"
#include "support/socket_pair.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

constexpr std::string_view kRule =
    "<hr color=\"#000000\" size=\"1\" style=\"margin-top:0;margin-bottom:0\">\r\n";
constexpr std::string_view kFoldersHead =
    "<h5 style=\"color:#ff0000;margin-top:12;margin-bottom:3\">Folders</h5>\r\n"
    "<table border=\"0\" width=\"100%\" COLS=\"4\" cellpadding=\"0\" noWrap>\r\n"
    "<tr>\r\n<th width=\"160\">Name</th>\r\n<th width=\"60\">Post</th>\r\n<th>Description</th>\r\n"
    "<th width=\"120\">Zip Folder</th>\r\n</tr>\r\n";
constexpr std::string_view kFilesHead =
    "<h5 style=\"color:#ff0000;margin-top:32;margin-bottom:3\">Files</h5>\r\n"
    "<table border=\"0\" width=\"100%\" COLS=4 cellpadding=0>\r\n"
    "<tr height=\"18\">\r\n<th>Name</th>\r\n<th width=\"120\">Type</th>\r\n<th width=\"120\">Size</th>\r\n"
    "<th width=\"150\">Time</th>\r\n</tr>\r\n";
const std::string kGuestbookRow =
    "<tr>\r\n<td><a href=\"/Guestbook/\" target=\"_blank\">Guestbook</a></td>\r\n<td "
    "align=\"center\">yes</td>\r\n"
    "<td>You can drop a message here</td>\r\n<td>&nbsp;</td>\r\n</tr>\r\n";
const std::string kWebchatRow =
    "<tr>\r\n<td><a href=\"/Webchat/\" target=\"_blank\">Webchat</a></td>\r\n<td align=\"center\">no</td>\r\n"
    "<td>The Chat Room</td>\r\n<td>&nbsp;</td>\r\n</tr>\r\n";
const std::string kCommunityRow =
    "<tr>\r\n<td><a href=\"/WebCommunity/\" target=\"_blank\">WebCommunity</a></td>\r\n<td "
    "align=\"center\">no</td>\r\n"
    "<td>Web Community Members</td>\r\n<td>&nbsp;</td>\r\n</tr>\r\n";

// 2022-07-08 09:10:11 UTC
constexpr timespec kLastWrite{1657271411, 0};
constexpr std::string_view kTimeText = "2022-07-08 09:10";

std::string HomeBody(std::string_view title, std::string_view sections)
{
    return PageHead(title) + "<table cols=\"2\" rows=\"1\" border=\"0\" width=\"100%\">\r\n<tr>\r\n<td><h4>" +
           std::string(title) + "</h4></td>\r\n" + kPoweredByCell + "</tr>\r\n</table>\r\n" +
           std::string(kRule) + std::string(sections) + kPageEnd;
}

class HomePageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        std::filesystem::create_directories(files);
    }

    std::string Page(bool chat_room_open = false)
    {
        Response response;
        WriteHomePage(response, chat_room_open);
        return FinishedBytes(response);
    }

    std::string WriteFile(const std::string& name, const std::string& bytes)
    {
        std::filesystem::path path = files / name;
        std::ofstream(path, std::ios::binary) << bytes;
        const timespec times[2] = {kLastWrite, kLastWrite};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        return path.string();
    }

    void Publish(const std::string& display_name, const std::string& path, bool real_time = false)
    {
        ASSERT_TRUE(SetDynamicFile(display_name, DynamicFile{path, "", real_time, false}));
    }

    TestHome home;
    std::filesystem::path files = home.path() / "files";
};

TEST_F(HomePageTest, FreshInstallHasTheBannerAlone)
{
    EXPECT_EQ(Page(), GeneratedPage(HomeBody("Welcome to My Website!", "")));
}

TEST_F(HomePageTest, ExpiresOneMinuteAfterItWasMade)
{
    Response response;
    WriteHomePage(response, false);
    const std::string answer = ReadAll(response);
    const std::optional<std::time_t> made = HeaderDate(answer, "Last-Modified");
    const std::optional<std::time_t> expires = HeaderDate(answer, "Expires");
    ASSERT_TRUE(made && expires) << answer;
    // Both are taken within the same moment; a second boundary may fall between them.
    EXPECT_GE(*expires - *made, 60);
    EXPECT_LE(*expires - *made, 61);
}

TEST_F(HomePageTest, VisibleFoldersAreListedWithTheirPermissions)
{
    ASSERT_TRUE(SetSiteIntro("Hello &amp; <b>welcome</b>"));
    // Path, description, sub-folders, posting, visible, zip download.
    ASSERT_TRUE(WriteFolder("docs", FolderSettings{files.string(), "", false, false, true, false}));
    ASSERT_TRUE(WriteFolder(
        "My Photos", FolderSettings{files.string(), "Holiday <i>pictures</i>", false, true, true, true}));
    ASSERT_TRUE(WriteFolder("secret", FolderSettings{files.string(), "Hidden", true, true, false, true}));
    const std::string rows =
        "<tr>\r\n<td><a href=\"/docs/\">docs</a></td>\r\n<td align=\"center\">no</td>\r\n<td>&nbsp;</td>\r\n"
        "<td>&nbsp;</td>\r\n</tr>\r\n"
        "<tr>\r\n<td><a href=\"/My%20Photos/\">My Photos</a></td>\r\n<td align=\"center\">yes</td>\r\n"
        "<td>Holiday <i>pictures</i></td>\r\n<td align=\"center\"><a "
        "href=\"/My%20Photos/?zipdld\">Download</a></td>\r\n"
        "</tr>\r\n";
    EXPECT_EQ(Page(), GeneratedPage(HomeBody("Welcome to My Website!",
                                             "<p>Hello &amp; <b>welcome</b></p>\r\n" + std::string(kRule) +
                                                 std::string(kFoldersHead) + rows + "</table>\r\n")));
}

TEST_F(HomePageTest, AHiddenFolderAloneLeavesNoFoldersSection)
{
    ASSERT_TRUE(WriteFolder("secret", FolderSettings{files.string(), "", false, false, false, false}));
    EXPECT_EQ(Page(), GeneratedPage(HomeBody("Welcome to My Website!", "")));
}

TEST_F(HomePageTest, ApplicationsThatAreOnFollowTheFolders)
{
    ASSERT_TRUE(SetEnableGuestbook(true));
    EXPECT_EQ(Page(), GeneratedPage(HomeBody("Welcome to My Website!",
                                             std::string(kFoldersHead) + kGuestbookRow + "</table>\r\n")));

    ASSERT_TRUE(SetEnableGuestbook(false));
    ASSERT_TRUE(SetAsWebCommMember(true));
    EXPECT_EQ(Page(true),
              GeneratedPage(HomeBody("Welcome to My Website!", std::string(kFoldersHead) + kWebchatRow +
                                                                   kCommunityRow + "</table>\r\n")));

    ASSERT_TRUE(SetAsWebCommMember(false));
    ASSERT_TRUE(SetAsWebCommHost(true));
    ASSERT_TRUE(SetEnableGuestbook(true));
    ASSERT_TRUE(SetMainPageTitle("Our Site"));
    EXPECT_EQ(Page(), GeneratedPage(HomeBody("Our Site", std::string(kFoldersHead) + kGuestbookRow +
                                                             kCommunityRow + "</table>\r\n")));
}

TEST_F(HomePageTest, DynamicFilesAreListedByName)
{
    Publish("Report 2024.txt", WriteFile("report.txt", std::string(512, 'r')));
    Publish("live.log", WriteFile("live.log", std::string(1536, 'l')), true);
    Publish("page.html", WriteFile("page.html", "<html><TITLE>My Page</TITLE></html>"));
    Publish("gone.txt", (files / "gone.txt").string());
    const std::string rows =
        EntryRowBytes("live.log", "live.log", " (RTF)", HtmlEscape(GetTypeName("live.log", false)), "1.5 KB",
                      kTimeText, "") +
        EntryRowBytes("page.html", "My Page", "", HtmlEscape(GetTypeName("page.html", false)), "35",
                      kTimeText, "") +
        EntryRowBytes("Report%202024.txt", "Report 2024.txt", "",
                      HtmlEscape(GetTypeName("Report 2024.txt", false)), "512", kTimeText, "");
    EXPECT_EQ(Page(), GeneratedPage(HomeBody("Welcome to My Website!",
                                             std::string(kFilesHead) + rows + "</table>\r\n")));

    ASSERT_TRUE(SetDynamicFolderVisible(false));
    EXPECT_EQ(Page(), GeneratedPage(HomeBody("Welcome to My Website!", "")));
}

TEST_F(HomePageTest, FilesSectionIsLeftOutWhenEveryFileIsGone)
{
    Publish("gone.txt", (files / "gone.txt").string());
    EXPECT_EQ(Page(), GeneratedPage(HomeBody("Welcome to My Website!", "")));
}

TEST_F(HomePageTest, TheOwnersTextsAreWrittenAsStored)
{
    ASSERT_TRUE(SetMainPageTitle("Tom & <i>Jerry</i>"));
    const std::string page = Page();
    EXPECT_NE(page.find("<TITLE>Tom & <i>Jerry</i></TITLE>"), std::string::npos) << page;
    EXPECT_NE(page.find("<td><h4>Tom & <i>Jerry</i></h4></td>"), std::string::npos) << page;
}

TEST_F(HomePageTest, NoNameOrFileContentBecomesMarkup)
{
    Publish("<script>alert(1)</script>.txt", WriteFile("x.txt", "x"));
    Publish("a&copy.txt", WriteFile("y.txt", "y"));
    Publish("javascript:alert(1)", WriteFile("z", "z"));
    Publish("t.html", WriteFile("t.html", "<title><img src=x onerror=alert(1)></title>"));
    const std::string page = Page();
    EXPECT_EQ(page.find("<script"), std::string::npos) << page;
    EXPECT_EQ(page.find("<img"), std::string::npos) << page;
    EXPECT_NE(
        page.find(
            "<a href=\"&lt;script&gt;alert(1)&lt;/script&gt;.txt\">&lt;script&gt;alert(1)&lt;/script&gt;"
            ".txt</a>"),
        std::string::npos);
    EXPECT_NE(page.find("<a href=\"a&amp;copy.txt\">a&amp;copy.txt</a>"), std::string::npos);
    EXPECT_NE(page.find("<a href=\"./javascript:alert(1)\">"), std::string::npos);
    EXPECT_NE(page.find(">&lt;img src=x onerror=alert(1)&gt;</a>"), std::string::npos);
}

// AnswerHomePage over a socket, as the dispatcher calls it.
class AnswerHomePageTest : public HomePageTest {
protected:
    std::string Answer(std::string_view request = "GET / HTTP/1.1\r\n\r\n", bool chat_room_open = false)
    {
        const ResolvedTarget home_target = ResolveUrl("/");
        return MaskTimes(AnswerOverSocketPair(request, [&](Connection& connection) {
            vireo::Exchange exchange{connection, nullptr, home_target, {{127, 0, 0, 1}, 8080}};
            exchange.chat_room_open = chat_room_open;
            AnswerHomePage(exchange);
        }));
    }
};

TEST_F(AnswerHomePageTest, GeneratedPageByDefault)
{
    EXPECT_EQ(Answer(), GeneratedPage(HomeBody("Welcome to My Website!", "")));
    EXPECT_EQ(Answer("GET / HTTP/1.1\r\n\r\n", true),
              GeneratedPage(HomeBody("Welcome to My Website!",
                                     std::string(kFoldersHead) + kWebchatRow + "</table>\r\n")));
}

TEST_F(AnswerHomePageTest, HtmlFileIsDeliveredWholeWhateverTheRequestAsks)
{
    const std::string content = "<html><title>Home</title>" + std::string(2000, '.') + "</html>";
    Publish("index.html", WriteFile("index.html", content));
    ASSERT_TRUE(SetHomePageType(1));
    ASSERT_TRUE(SetHomePageFile("index.html"));
    const std::string answer = Answer(
        "GET / HTTP/1.1\r\nRange: bytes=0-9\r\nIf-Modified-Since: Fri, 01 Jan 2100 00:00:00 GMT\r\n\r\n");
    EXPECT_EQ(answer,
              "HTTP/1.1 200 OK\r\nDate: *\r\nServer: Vireo 6.5 (https://quillmark.example/vireo)\r\n"
              "Last-Modified: *\r\nAccept-Ranges: bytes\r\nConnection: close\r\nContent-Type: text/html\r\n"
              "Content-Length: " +
                  std::to_string(content.size()) + "\r\n\r\n" + content);
}

TEST_F(AnswerHomePageTest, AVanishedHtmlFileFallsBackToTheGeneratedPage)
{
    Publish("index.html", (files / "index.html").string());
    ASSERT_TRUE(SetHomePageType(1));
    ASSERT_TRUE(SetHomePageFile("index.html"));
    EXPECT_EQ(Answer(), GeneratedPage(HomeBody("Welcome to My Website!", "")));
}

TEST_F(AnswerHomePageTest, ExtensionFileIsReachedByARedirect)
{
    const std::filesystem::path extensions = home.path() / "extensions";
    std::filesystem::create_directories(extensions);
    std::ofstream(extensions / "home page.sh") << "#!/bin/sh\n";
    ASSERT_TRUE(SetExtensionFolder(extensions.string()));
    ASSERT_TRUE(SetExtensionEnabled(true));
    ASSERT_TRUE(SetHomePageType(2));
    ASSERT_TRUE(SetHomePageFile("home page.sh"));
    const std::string location = "http://127.0.0.1:8080/Extension/home%20page.sh";
    const std::string body =
        "<HTML>\r\n<HEAD>\r\n<TITLE>302 Found</TITLE>\r\n</HEAD>\r\n<BODY>\r\n<H1>Found</H1>\r\n"
        "<p>The document has moved <A HREF=\"" +
        location + "\">here</A>.<P>\r\n<HR>\r\n</BODY>\r\n</HTML>\r\n";
    EXPECT_EQ(Answer(),
              "HTTP/1.1 302 Found\r\nDate: *\r\nServer: Vireo 6.5 (https://quillmark.example/vireo)\r\n"
              "Connection: close\r\nContent-Type: text/html\r\nLocation: " +
                  location + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
}

}  // namespace
}  // namespace vireo::testing
