// The thumbnail page and images through a real server on loopback, from caches the test writes.
#include <gtest/gtest.h>

#include <filesystem>

#include "content/pages/generated_page_bytes.h"
#include "platform/thumbnail_cache_format.h"
#include "settings/settings.h"
#include "support/files.h"
#include "support/loopback.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

struct Picture {
    std::string name;
    std::string image;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

std::string CacheBytes(const std::vector<Picture>& pictures)
{
    std::string cache;
    unsigned char seed = 1;
    for (const Picture& picture : pictures) {
        ThumbnailHead head{picture.name,
                           {},
                           static_cast<std::uint32_t>(picture.image.size()),
                           picture.width,
                           picture.height};
        for (unsigned char& byte : head.key) byte = seed++;
        const auto bytes = EncodeThumbnailHead(head);
        std::string data = picture.image;
        ScrambleThumbnail(data, head.key);
        cache.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        cache += data;
    }
    return cache;
}

const std::string kPageHead =
    "<HTML>\r\n<HEAD>\r\n<meta http-equiv=\"content-type\" content=\"text/html; charset=UTF-8\">\r\n"
    "<STYLE TYPE=\"TEXT/CSS\">\r\n"
    "BODY{background-color:#ffffff;margin-left:3;margin-top:3;margin-right:0;margin-bottom:0}\r\n"
    "img{margin-left:0;margin-top:0;margin-right:0;margin-bottom:0;border:0 none #c0c0c0}\r\n"
    "td.pic{vertical-align:middle;text-align:center;border:1px solid #c0c0c0}\r\n"
    "td.inf{vertical-align:top;text-align:center}\r\n"
    "div{width:120;overflow:hidden;font:10px sans-serif;text-align:center}\r\n"
    "</STYLE>\r\n</HEAD>\r\n<BODY>\r\n<table width=\"100%\" cols=\"11\" cellSpacing=\"0\" "
    "cellPadding=\"0\">\r\n";
const std::string kEmpty = "<td width=\"120\">&nbsp;</td>\r\n";
const std::string kSpacer = "<td width=\"6\">&nbsp;</td>\r\n";

// One pair of rows: the cells of the pictures given, then empty cells to six.
std::string RowPair(const std::vector<std::string>& pictures, const std::vector<std::string>& details)
{
    std::string top = "<tr>\r\n";
    std::string bottom = "<tr>\r\n";
    for (std::size_t column = 0; column < 6; ++column) {
        top += column < pictures.size() ? pictures[column] : kEmpty;
        bottom += column < details.size() ? details[column] : kEmpty;
        if (column < 5) {
            top += kSpacer;
            bottom += kSpacer;
        }
    }
    return top + "</tr>\r\n" + bottom + "</tr>\r\n";
}

std::string PageAnswer(const std::string& rows)
{
    const std::string body = kPageHead + rows + "</table>\r\n</BODY>\r\n</HTML>\r\n";
    return "HTTP/1.1 200 OK\r\nDate: *\r\nServer: Vireo 6.5 (https://quillmark.example/vireo)\r\n"
           "Last-Modified: *\r\nExpires: *\r\nAccept-Ranges: bytes\r\nConnection: close\r\n"
           "Content-Type: text/html\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string ImageAnswer(std::string_view type, const std::string& image)
{
    return "HTTP/1.1 200 OK\r\nDate: *\r\nServer: Vireo 6.5 (https://quillmark.example/vireo)\r\n"
           "Connection: close\r\nContent-Type: " +
           std::string(type) + "\r\nContent-Length: " + std::to_string(image.size()) + "\r\n\r\n" + image;
}

class ThumbnailPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listening());
        ASSERT_TRUE(WriteFolder("pics", FolderSettings{pics.string(), "", false, true, true, false}));
    }

    std::string Get(std::string_view target, std::string_view method = "GET")
    {
        return MaskTimes(
            Exchange(server.port(), std::string(method) + " " + std::string(target) + " HTTP/1.1\r\n\r\n"));
    }

    TestServer server;
    fs::path pics = server.home().path() / "pics";
};

TEST_F(ThumbnailPageTest, SevenPicturesMakeTwoRowPairsAndOnlyTheFirstGivesWidths)
{
    std::vector<Picture> pictures;
    for (int i = 1; i <= 7; ++i) {
        pictures.push_back({"p" + std::to_string(i) + ".jpg", "BM" + std::string(10, 'x'), 640u + i, 480});
    }
    WriteFile(pics / "ruvededa.$$$", CacheBytes(pictures));
    std::vector<std::string> first_top, first_bottom;
    for (int i = 1; i <= 6; ++i) {
        const std::string name = "p" + std::to_string(i) + ".jpg";
        first_top.push_back("<td width=\"120\" class=\"pic\"><a href=\"./" + name +
                            "\" target=\"_blank\"><img src=\"./" + name + "?thumbnail\"></a></td>\r\n");
        first_bottom.push_back("<td width=\"120\" class=\"inf\"><div>" + name + "<br>" +
                               std::to_string(640 + i) + " x 480<br>&nbsp;</div></td>\r\n");
    }
    const std::string rows = RowPair(first_top, first_bottom) +
                             RowPair({"<td class=\"pic\"><a href=\"./p7.jpg\" target=\"_blank\"><img "
                                      "src=\"./p7.jpg?thumbnail\"></a></td>\r\n"},
                                     {"<td class=\"inf\"><div>p7.jpg<br>647 x 480<br>&nbsp;</div></td>\r\n"});
    EXPECT_EQ(Get("/pics/ruvededa.$$$"), PageAnswer(rows));
    EXPECT_EQ(Get("/pics/RUVEDEDA.$$$"), PageAnswer(rows));
    const std::string head = Get("/pics/ruvededa.$$$", "HEAD");
    EXPECT_EQ(head, PageAnswer(rows).substr(0, head.size()));
    EXPECT_TRUE(head.ends_with("\r\n\r\n"));
}

TEST_F(ThumbnailPageTest, SixPicturesEndWithAnEmptyPairAndAnEmptyCacheShowsOne)
{
    std::vector<Picture> six(6, Picture{"a.gif", "GIF89a", 1, 1});
    WriteFile(pics / "ruvededa.$$$", CacheBytes(six));
    const std::string page = Get("/pics/ruvededa.$$$");
    EXPECT_TRUE(page.ends_with(RowPair({}, {}) + "</table>\r\n</BODY>\r\n</HTML>\r\n")) << page;

    WriteFile(pics / "ruvededa.$$$", "");
    EXPECT_EQ(Get("/pics/ruvededa.$$$"), PageAnswer(RowPair({}, {})));
    // Without a cache the name resolves to nothing.
    fs::remove(pics / "ruvededa.$$$");
    EXPECT_TRUE(Get("/pics/ruvededa.$$$").starts_with("HTTP/1.1 404 Not Found\r\n"));
}

TEST_F(ThumbnailPageTest, ARewrittenCacheShowsAtTheNextRequest)
{
    WriteFile(pics / "ruvededa.$$$", CacheBytes({{"a.gif", "GIF89a", 1, 1}}));
    EXPECT_NE(Get("/pics/ruvededa.$$$").find("<div>a.gif<br>"), std::string::npos);
    // A new cache of the same size renamed into place, as the generator does it.
    WriteFile(pics / "new", CacheBytes({{"b.gif", "GIF89a", 1, 1}}));
    fs::rename(pics / "new", pics / "ruvededa.$$$");
    EXPECT_NE(Get("/pics/ruvededa.$$$").find("<div>b.gif<br>"), std::string::npos);
    // Rewritten in place, with another size.
    WriteFile(pics / "ruvededa.$$$", CacheBytes({{"cc.gif", "GIF89a", 1, 1}}));
    EXPECT_NE(Get("/pics/ruvededa.$$$").find("<div>cc.gif<br>"), std::string::npos);
}

TEST_F(ThumbnailPageTest, ImagesComeFromTheirRecordsAsGifOrBmp)
{
    const std::string gif = "GIF89a" + std::string(30, '\x01');
    const std::string bmp = "BM" + std::string(50, '\0') + "\xff\x9e";
    WriteFile(pics / "ruvededa.$$$", CacheBytes({{"a.gif", gif, 10, 10}, {"B.BMP", bmp, 20, 20}}));
    for (const char* name : {"a.gif", "b.bmp", "none.png"}) WriteFile(pics / name, "picture");

    EXPECT_EQ(Get("/pics/a.gif?thumbnail"), ImageAnswer("image/gif", gif));
    EXPECT_EQ(Get("/pics/b.bmp?THUMBNAIL"), ImageAnswer("image/bmp", bmp));
    EXPECT_EQ(Get("/pics/none.png?thumbnail"), ImageAnswer("image/bmp", ""));
    const std::string whole = ImageAnswer("image/gif", gif);
    EXPECT_EQ(Get("/pics/a.gif?thumbnail", "HEAD"), whole.substr(0, whole.find("\r\n\r\n") + 4));
    fs::remove(pics / "ruvededa.$$$");
    EXPECT_EQ(Get("/pics/a.gif?thumbnail"), ImageAnswer("image/bmp", ""));
}

TEST_F(ThumbnailPageTest, ClosedSubfoldersAndHiddenListingsKeepTheirPictures)
{
    WriteFile(pics / "sub" / "ruvededa.$$$", CacheBytes({{"s.gif", "GIF89a", 1, 1}}));
    WriteFile(pics / "sub" / "s.gif", "picture");
    WriteFile(pics / "ruvededa.$$$", CacheBytes({{"t.gif", "GIF89a", 1, 1}}));
    WriteFile(pics / "t.gif", "picture");
    EXPECT_TRUE(Get("/pics/sub/ruvededa.$$$").starts_with("HTTP/1.1 403 Forbidden\r\n"));
    EXPECT_TRUE(Get("/pics/sub/s.gif?thumbnail").starts_with("HTTP/1.1 403 Forbidden\r\n"));
    EXPECT_TRUE(Get("/pics/ruvededa.$$$").starts_with("HTTP/1.1 200 OK\r\n"));

    ASSERT_TRUE(WriteFolder("pics", FolderSettings{pics.string(), "", true, true, false, false}));
    EXPECT_TRUE(Get("/pics/ruvededa.$$$").starts_with("HTTP/1.1 403 Forbidden\r\n"));
    EXPECT_TRUE(Get("/pics/sub/ruvededa.$$$").starts_with("HTTP/1.1 403 Forbidden\r\n"));
    // A file is still served where the listing is off, and so is its thumbnail.
    EXPECT_EQ(Get("/pics/sub/s.gif?thumbnail"), ImageAnswer("image/gif", "GIF89a"));
    EXPECT_TRUE(Get("/pics/ruvededa.$$$", "POST").starts_with("HTTP/1.1 400 Bad Request\r\n"));
}

TEST_F(ThumbnailPageTest, NamesAreEscapedAndDamagedRecordsEndThePage)
{
    std::string cache = CacheBytes({{"<b>\"x\" y.gif", "GIF89a", 3, 4}, {"cut.gif", "GIF89a", 5, 6}});
    // The second record claims far more data than the file holds.
    cache[284 + 6 + 272 + 3] = '\x7f';
    WriteFile(pics / "ruvededa.$$$", cache + std::string(100, 'z'));
    WriteFile(pics / "cut.gif", "picture");
    const std::string page = Get("/pics/ruvededa.$$$");
    EXPECT_NE(page.find("<a href=\"./&lt;b&gt;%22x%22%20y.gif\" target=\"_blank\"><img "
                        "src=\"./&lt;b&gt;%22x%22%20y.gif?thumbnail\"></a>"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("<div>&lt;b&gt;&quot;x&quot; y.gif<br>3 x 4<br>"), std::string::npos) << page;
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_NE(page.find("<div>cut.gif<br>5 x 6<br>"), std::string::npos) << page;
    EXPECT_EQ(Get("/pics/cut.gif?thumbnail"), ImageAnswer("image/bmp", ""));
}

}  // namespace
}  // namespace vireo::testing
