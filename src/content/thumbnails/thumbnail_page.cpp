#include "content/thumbnails/thumbnail_page.h"

#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include "base/url_codec.h"
#include "platform/thumbnail_cache_path.h"
#include "platform/thumbnail_cache_reader.h"
#include "site/page_parts.h"

namespace vireo {
namespace {

constexpr int kExpiresMinutes = 5;
constexpr int kColumns = 6;

constexpr std::string_view kPageHead =
    "<HTML>\r\n<HEAD>\r\n<meta http-equiv=\"content-type\" content=\"text/html; charset=UTF-8\">\r\n"
    "<STYLE TYPE=\"TEXT/CSS\">\r\n"
    "BODY{background-color:#ffffff;margin-left:3;margin-top:3;margin-right:0;margin-bottom:0}\r\n"
    "img{margin-left:0;margin-top:0;margin-right:0;margin-bottom:0;border:0 none #c0c0c0}\r\n"
    "td.pic{vertical-align:middle;text-align:center;border:1px solid #c0c0c0}\r\n"
    "td.inf{vertical-align:top;text-align:center}\r\n"
    "div{width:120;overflow:hidden;font:10px sans-serif;text-align:center}\r\n"
    "</STYLE>\r\n</HEAD>\r\n<BODY>\r\n";
constexpr std::string_view kEmptyCell = "<td width=\"120\">&nbsp;</td>\r\n";
constexpr std::string_view kSpacerCell = "<td width=\"6\">&nbsp;</td>\r\n";

// One picture's two cells: the thumbnail linked to the picture, and its name and size. Only the
// table's first row gives the width.
void AddPicture(std::string& pictures, std::string& details, const ThumbnailHead& head, bool first_row)
{
    const std::string href = "./" + HrefText(head.name);
    const std::string_view width = first_row ? " width=\"120\"" : "";
    pictures += "<td";
    pictures += width;
    pictures += " class=\"pic\"><a href=\"" + href + "\" target=\"_blank\"><img src=\"" + href +
                "?thumbnail\"></a></td>\r\n";
    details += "<td";
    details += width;
    details += " class=\"inf\"><div>" + HtmlEscape(head.name) + "<br>" + std::to_string(head.width) + " x " +
               std::to_string(head.height) + "<br>&nbsp;</div></td>\r\n";
}

// The page below its headers; only the first row pair when nothing is left to read.
std::string Tables(ThumbnailCacheReader& cache, bool more)
{
    std::string page(kPageHead);
    page += "<table width=\"100%\" cols=\"11\" cellSpacing=\"0\" cellPadding=\"0\">\r\n";
    for (bool first_row = true; first_row || more; first_row = false) {
        std::string pictures = "<tr>\r\n";
        std::string details = "<tr>\r\n";
        for (int column = 0; column < kColumns; ++column) {
            std::optional<ThumbnailHead> head = more ? cache.Next() : std::nullopt;
            more = head.has_value();
            if (head) {
                AddPicture(pictures, details, *head, first_row);
            } else {
                pictures += kEmptyCell;
                details += kEmptyCell;
            }
            if (column + 1 < kColumns) {
                pictures += kSpacerCell;
                details += kSpacerCell;
            }
        }
        page += pictures + "</tr>\r\n" + details + "</tr>\r\n";
    }
    page += "</table>\r\n</BODY>\r\n</HTML>\r\n";
    return page;
}

// The pages of the caches asked for lately, each kept for one version of its file: a page reads
// one record head per picture, and the same cache is usually asked for again and again.
class RecentPages {
public:
    std::shared_ptr<const std::string> Find(const CacheFileVersion& version)
    {
        std::lock_guard lock(mutex_);
        for (const Entry& entry : entries_) {
            if (entry.version == version) return entry.page;
        }
        return nullptr;
    }
    void Keep(const CacheFileVersion& version, std::shared_ptr<const std::string> page)
    {
        std::lock_guard lock(mutex_);
        if (entries_.size() >= kKept) entries_.pop_front();
        entries_.push_back({version, std::move(page)});
    }

private:
    static constexpr std::size_t kKept = 16;
    struct Entry {
        CacheFileVersion version;
        std::shared_ptr<const std::string> page;
    };
    std::mutex mutex_;
    std::deque<Entry> entries_;
};

std::shared_ptr<const std::string> TablesOf(ThumbnailCacheReader& cache)
{
    static RecentPages recent;
    if (std::shared_ptr<const std::string> page = recent.Find(cache.version())) return page;
    auto page = std::make_shared<const std::string>(Tables(cache, true));
    recent.Keep(cache.version(), page);
    return page;
}

}  // namespace

void WriteThumbnailPage(Response& response, const std::string& cache_path)
{
    BeginGeneratedAnswer(response, kExpiresMinutes);
    ThumbnailCacheReader cache;
    if (cache.Open(cache_path)) {
        response.AddBodyText(*TablesOf(cache));
    } else {
        response.AddBodyText(Tables(cache, false));
    }
    response.Finish();
}

int AnswerThumbnailPage(Exchange& exchange)
{
    Response response(exchange.local_client);
    WriteThumbnailPage(response, exchange.target.local_path);
    return exchange.Send(response);
}

int DeliverThumbnailImage(Exchange& exchange)
{
    const std::string& path = exchange.target.local_path;
    const std::size_t separator = path.find_last_of('/');
    const std::string directory = separator == std::string::npos ? std::string() : path.substr(0, separator);
    ThumbnailCacheReader cache;
    std::optional<std::string> image;
    if (cache.Open(ThumbnailCachePath(directory))) image = cache.Find(path);
    Response response(exchange.local_client);
    response.BeginResponse(200);
    response.AddConnection();
    response.AddContentType(ThumbnailContentType(image.value_or(std::string())));
    if (image) response.AddBodyBytes(image->data(), image->size());
    response.Finish();
    return exchange.Send(response);
}

}  // namespace vireo
