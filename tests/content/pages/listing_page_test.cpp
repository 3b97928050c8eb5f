#include "content/pages/listing_page.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/url_codec.h"
#include "content/pages/generated_page_bytes.h"
#include "settings/settings.h"
#include "site/page_text.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

// 2022-07-08 09:10:11 UTC
constexpr timespec kLastWrite{1657271411, 0};
constexpr std::string_view kTimeText = "2022-07-08 09:10";
constexpr std::string_view kTableHead =
    "<table border=\"0\" width=\"100%\" COLS=\"5\" cellpadding=0>\r\n<tr height=\"18\">\r\n<th>Name</th>\r\n"
    "<th width=\"100\">Type</th>\r\n<th width=\"80\">Size</th>\r\n<th width=\"130\">Time</th>\r\n"
    "<th width=\"120\">Zip Folder</th>\r\n</tr>\r\n";
constexpr std::string_view kTableEnd =
    "</table>\r\n<hr color=\"#000000\" size=\"1\" style=\"margin-top:16;margin-bottom:3\">\r\n";
constexpr std::string_view kBlankCell = "<td>&nbsp;</td>\r\n";
constexpr std::string_view kThumbnails = "<b style=\"color:#ff0000\">Image Thumbnails</b>";

std::string ListingBody(std::string_view title, bool in_subfolder, bool can_post, std::string_view rows)
{
    const int columns = 3 + in_subfolder + can_post;
    std::string banner =
        "<table cols=\"" + std::to_string(columns) +
        "\" rows=\"1\" border=\"0\" width=\"100%\">\r\n<tr>\r\n<td><h5>[" + std::string(title) +
        "]</h5></td>\r\n<td width=\"50\" noWrap align=\"center\"><a href=\"/\">Home</a></td>\r\n";
    if (in_subfolder) {
        banner += "<td width=\"110\" noWrap align=\"center\"><a href=\"..\">Parent Folder</a></td>\r\n";
    }
    if (can_post) {
        banner += "<td width=\"90\" noWrap align=\"center\"><a href=\"?postfile\">Post a File</a></td>\r\n";
    }
    banner += kPoweredByCell + "</tr>\r\n</table>\r\n";
    return PageHead(title) + banner + std::string(kTableHead) + std::string(rows) + std::string(kTableEnd) +
           kPageEnd;
}

std::string DirectoryRow(std::string_view name, bool zip)
{
    const std::string href = UrlEscape(name);
    return EntryRowBytes(href + "/", "[" + std::string(name) + "]", "", "File Folder", "0", kTimeText,
                         zip ? "<td align=\"center\"><a href=\"" + href + "/?zipdld\">Download</a></td>\r\n"
                             : std::string(kBlankCell));
}

std::string FileRow(std::string_view name, std::string_view link, std::string_view size)
{
    return EntryRowBytes(UrlEscape(name), link, "", HtmlEscape(GetTypeName(name, false)), size, kTimeText,
                         kBlankCell);
}

class ListingPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        std::filesystem::create_directories(share);
    }

    void Date(const std::filesystem::path& path)
    {
        const timespec times[2] = {kLastWrite, kLastWrite};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
    }

    void File(const std::filesystem::path& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
        Date(path);
    }

    void Directory(const std::filesystem::path& path)
    {
        std::filesystem::create_directories(path);
        Date(path);
    }

    // The fixture tree: two sub-folders, a thumbnail index and files of every kind the rows show.
    void Populate()
    {
        Directory(share / "beta");
        Directory(share / "Alpha");
        Directory(share / ".config");
        File(share / "Alpha" / "inner.txt", "inner");
        File(share / "a.txt", std::string(512, 'a'));
        File(share / "b b.bin", std::string(1536, 'b'));
        File(share / "page.html", "<HTML><TITLE>My Page</TITLE></HTML>");
        File(share / "empty.htm", "<title></title>");
        File(share / "xyz.qqqzz", "q");
        File(share / ".hidden", "h");
        File(share / "ruvededa.$$$", std::string(100, 't'));
        const std::filesystem::path big = share / "big.dat";
        File(big, "");
        std::filesystem::resize_file(big, 3221225472);
        Date(big);
        // Adding entries dates a directory anew.
        Date(share / "Alpha");
        Date(share);
    }

    struct Permissions {
        bool subfolders = false;
        bool post = false;
        bool zip = false;
    };
    // Shares the fixture directory as the visible folder "share".
    bool Share(Permissions allow)
    {
        return WriteFolder("share",
                           FolderSettings{share.string(), "", allow.subfolders, allow.post, true, allow.zip});
    }

    std::string Listing(std::string_view path)
    {
        Response response;
        WriteListingPage(response, ResolveUrl(path));
        return FinishedBytes(response);
    }

    TestHome home;
    std::filesystem::path share = home.path() / "share";
};

TEST_F(ListingPageTest, TopLevelListsDirectoriesThenThumbnailsThenFiles)
{
    Populate();
    ASSERT_TRUE(Share({.subfolders = true, .zip = true}));
    const std::string rows =
        DirectoryRow("Alpha", true) + DirectoryRow("beta", true) +
        EntryRowBytes("ruvededa.$$$", kThumbnails, "", kThumbnails, "100", kTimeText, kBlankCell) +
        FileRow("a.txt", "a.txt", "512") + FileRow("b b.bin", "b b.bin", "1.5 KB") +
        FileRow("big.dat", "big.dat", "3.0 GB") + FileRow("empty.htm", "empty.htm", "15") +
        FileRow("page.html", "My Page", "35") +
        EntryRowBytes("xyz.qqqzz", "xyz.qqqzz", "", "QQQZZ File", "1", kTimeText, kBlankCell);
    EXPECT_EQ(Listing("/share/"), GeneratedPage(ListingBody("share", false, false, rows)));
    EXPECT_EQ(Listing("/share"), GeneratedPage(ListingBody("share", false, false, rows)));
}

TEST_F(ListingPageTest, FolderWithoutSubfoldersListsFilesOnly)
{
    Directory(share / "sub");
    File(share / "a.txt", "abc");
    ASSERT_TRUE(Share({.post = true}));
    EXPECT_EQ(Listing("/share/"),
              GeneratedPage(ListingBody("share", false, true, FileRow("a.txt", "a.txt", "3"))));
}

TEST_F(ListingPageTest, DirectoriesWithoutZipDownloadHaveABlankCell)
{
    Directory(share / "sub");
    ASSERT_TRUE(Share({.subfolders = true}));
    EXPECT_EQ(Listing("/share/"),
              GeneratedPage(ListingBody("share", false, false, DirectoryRow("sub", false))));
}

TEST_F(ListingPageTest, SubfolderBannerLinksToTheParent)
{
    Populate();
    ASSERT_TRUE(Share({.subfolders = true, .post = true}));
    EXPECT_EQ(Listing("/share/Alpha/"),
              GeneratedPage(ListingBody("Alpha", true, true, FileRow("inner.txt", "inner.txt", "5"))));
    ASSERT_TRUE(SetFolderCanPostFiles("share", false));
    EXPECT_EQ(Listing("/share/Alpha"),
              GeneratedPage(ListingBody("Alpha", true, false, FileRow("inner.txt", "inner.txt", "5"))));
}

TEST_F(ListingPageTest, ExpiresHalfAnHourAfterItWasMade)
{
    ASSERT_TRUE(Share({}));
    Response response;
    WriteListingPage(response, ResolveUrl("/share/"));
    const std::string answer = ReadAll(response);
    const std::optional<std::time_t> made = HeaderDate(answer, "Last-Modified");
    const std::optional<std::time_t> expires = HeaderDate(answer, "Expires");
    ASSERT_TRUE(made && expires) << answer;
    EXPECT_GE(*expires - *made, 1800);
    EXPECT_LE(*expires - *made, 1801);
}

TEST_F(ListingPageTest, NamesAndTitlesNeverBecomeMarkup)
{
    File(share / "<img src=x onerror=alert(1)>.txt", "x");
    File(share / "\"><script>alert(1)<.txt", "x");
    File(share / "javascript:alert(1)", "x");
    File(share / "?postfile", "x");
    File(share / "t.html", "<title><script>alert(1)</script></title>");
    ASSERT_TRUE(Share({}));
    const std::string page = Listing("/share/");
    EXPECT_EQ(page.find("<script"), std::string::npos) << page;
    EXPECT_EQ(page.find("<img"), std::string::npos) << page;
    EXPECT_NE(
        page.find("<a href=\"&lt;img%20src=x%20onerror=alert(1)&gt;.txt\">&lt;img src=x onerror=alert(1)&gt;"
                  ".txt</a>"),
        std::string::npos)
        << page;
    EXPECT_NE(
        page.find("<a href=\"%22&gt;&lt;script&gt;alert(1)&lt;.txt\">&quot;&gt;&lt;script&gt;alert(1)&lt;"
                  ".txt</a>"),
        std::string::npos)
        << page;
    EXPECT_NE(page.find("<a href=\"./javascript:alert(1)\">javascript:alert(1)</a>"), std::string::npos)
        << page;
    EXPECT_NE(page.find("<a href=\"%3Fpostfile\">?postfile</a>"), std::string::npos) << page;
    EXPECT_NE(page.find("<a href=\"t.html\">&lt;script&gt;alert(1)&lt;/script&gt;</a>"), std::string::npos)
        << page;
}

TEST_F(ListingPageTest, FilesFromBefore1970ShowTheirOwnDate)
{
    const std::filesystem::path old = share / "old.txt";
    std::ofstream(old) << "x";
    const timespec times[2] = {{-304707111, 0}, {-304707111, 0}};  // 1960-05-06 07:08:09 UTC
    ASSERT_EQ(::utimensat(AT_FDCWD, old.c_str(), times, 0), 0);
    ASSERT_TRUE(Share({}));
    const std::string page = Listing("/share/");
    EXPECT_NE(page.find("<td noWrap align=\"right\">1960-05-06 07:08</td>"), std::string::npos) << page;
}

TEST_F(ListingPageTest, AnUnreadableDirectoryHasTheTableHeadAlone)
{
    ASSERT_TRUE(Share({}));
    ::chmod(share.c_str(), 0);
    const bool readable = ::access(share.c_str(), R_OK) == 0;  // root reads anyway
    const std::string page = Listing("/share/");
    ::chmod(share.c_str(), 0700);
    if (readable) GTEST_SKIP() << "running with rights that read every directory";
    EXPECT_EQ(page, GeneratedPage(ListingBody("share", false, false, "")));
}

TEST_F(ListingPageTest, APathThatIsNoDirectoryGetsTheNotFoundPage)
{
    File(share / "a.txt", "abc");
    ASSERT_TRUE(Share({}));
    EXPECT_TRUE(Listing("/share/a.txt").starts_with("HTTP/1.1 404 Not Found\r\n"));
    EXPECT_TRUE(Listing("/nothing/").starts_with("HTTP/1.1 404 Not Found\r\n"));
}

}  // namespace
}  // namespace vireo::testing
