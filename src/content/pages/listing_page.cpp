#include "content/pages/listing_page.h"

#include <string>
#include <unordered_map>

#include "base/ascii_case.h"
#include "base/url_codec.h"
#include "http/standard_answers.h"
#include "platform/thumbnail_cache_path.h"
#include "platform/type_names.h"
#include "settings/settings_folders.h"
#include "site/file_entry.h"
#include "site/page_parts.h"
#include "site/page_text.h"
#include "site/resolve_url.h"

namespace vireo {
namespace {

constexpr int kExpiresMinutes = 30;
// Room for what follows the rows: the table's end and the page's.
constexpr std::size_t kPageEndBytes = 512;
constexpr std::string_view kThumbnailsLabel = "<b style=\"color:#ff0000\">Image Thumbnails</b>";

void AddBanner(Response& response, std::string_view title_html, bool in_subfolder, bool can_post)
{
    const int columns = 3 + (in_subfolder ? 1 : 0) + (can_post ? 1 : 0);
    response.AddBodyText("<table cols=\"" + std::to_string(columns) +
                         "\" rows=\"1\" border=\"0\" width=\"100%\">\r\n<tr>\r\n<td><h5>[");
    response.AddBodyText(title_html);
    response.AddBodyText(
        "]</h5></td>\r\n<td width=\"50\" noWrap align=\"center\"><a href=\"/\">Home</a></td>\r\n");
    if (in_subfolder) {
        response.AddBodyText(
            "<td width=\"110\" noWrap align=\"center\"><a href=\"..\">Parent Folder</a></td>\r\n");
    }
    if (can_post) {
        response.AddBodyText(
            "<td width=\"90\" noWrap align=\"center\"><a href=\"?postfile\">Post a File</a></td>\r\n");
    }
    AddPoweredByCell(response);
    response.AddBodyText("</tr>\r\n</table>\r\n");
}

// The Type cells of one page, each worked out once: a folder's files mostly share a few
// extensions, and each look-up searches the type tables.
class TypeCells {
public:
    const std::string& ForFile(const FileEntry& entry)
    {
        auto [cell, added] = cells_.try_emplace(std::string(TypeNameKey(entry.name)));
        if (added) cell->second = HtmlEscape(GetTypeName(entry.name, false));
        return cell->second;
    }

private:
    std::unordered_map<std::string, std::string> cells_;
};

// About how many bytes the rows of the list take, so the page's buffer is made large enough once.
std::size_t RowBytes(const FileList& list)
{
    constexpr std::size_t kRowMarkup = 320;  // tags, type, size and time of one row
    std::size_t bytes = 0;
    for (const FileEntry& entry : list) bytes += kRowMarkup + 3 * entry.name.size();
    return bytes;
}

bool IsThumbnailIndex(const FileEntry& entry)
{
    return !entry.directory && EqualsIgnoreCase(entry.name, kThumbnailCacheName);
}

void AddDirectoryRow(Response& response, const FileEntry& entry, bool zip_download)
{
    static const std::string folder_type = HtmlEscape(GetTypeName({}, true));
    const std::string href = RelativeHref(entry.name);
    const std::string zip_cell =
        zip_download ? "<td align=\"center\"><a href=\"" + href + "/?zipdld\">Download</a></td>\r\n"
                     : std::string(kBlankCell);
    AddEntryRow(response, {.href = href + "/",
                           .link_html = "[" + HtmlEscape(entry.name) + "]",
                           .after_link = "",
                           .type_html = folder_type,
                           .entry = entry,
                           .last_cell = zip_cell});
}

void AddThumbnailRow(Response& response, const FileEntry& entry)
{
    AddEntryRow(response, {.href = RelativeHref(entry.name),
                           .link_html = kThumbnailsLabel,
                           .after_link = "",
                           .type_html = kThumbnailsLabel,
                           .entry = entry,
                           .last_cell = kBlankCell});
}

void AddFileRow(Response& response, const FileEntry& entry, const std::string& directory, TypeCells& types)
{
    std::string title = MayHaveDisplayTitle(entry.name) ? GetDisplayTitle(directory + "/" + entry.name) : "";
    AddEntryRow(response, {.href = RelativeHref(entry.name),
                           .link_html = HtmlEscape(title.empty() ? entry.name : title),
                           .after_link = "",
                           .type_html = types.ForFile(entry),
                           .entry = entry,
                           .last_cell = kBlankCell});
}

}  // namespace

void WriteListingPage(Response& response, const ResolvedTarget& target)
{
    if (!target.found || target.kind != TargetKind::Directory) {
        BuildErrorPage(response, 404, "");
        return;
    }
    const FolderSettings folder = ReadFolder(target.folder_name);
    const std::string title = HtmlEscape(target.last_element);
    BeginGeneratedPage(response, kExpiresMinutes, title);
    AddBanner(response, title, !target.rest.empty(), folder.can_post_files);
    response.AddBodyText(
        "<table border=\"0\" width=\"100%\" COLS=\"5\" cellpadding=0>\r\n"
        "<tr height=\"18\">\r\n"
        "<th>Name</th>\r\n"
        "<th width=\"100\">Type</th>\r\n"
        "<th width=\"80\">Size</th>\r\n"
        "<th width=\"130\">Time</th>\r\n"
        "<th width=\"120\">Zip Folder</th>\r\n"
        "</tr>\r\n");

    FileList list;
    ListDirectory(list, target.local_path, !folder.can_browse_subfolders);
    SortByName(list);
    response.ReserveBody(RowBytes(list) + kPageEndBytes);
    TypeCells types;
    // Directories first, then the thumbnail index, then the files.
    for (const FileEntry& entry : list) {
        if (entry.directory) AddDirectoryRow(response, entry, folder.zip_download);
    }
    for (const FileEntry& entry : list) {
        if (IsThumbnailIndex(entry)) AddThumbnailRow(response, entry);
    }
    for (const FileEntry& entry : list) {
        if (!entry.directory && !IsThumbnailIndex(entry)) {
            AddFileRow(response, entry, target.local_path, types);
        }
    }

    response.AddBodyText(
        "</table>\r\n<hr color=\"#000000\" size=\"1\" style=\"margin-top:16;margin-bottom:3\">\r\n");
    EndGeneratedPage(response);
}

int AnswerListing(Exchange& exchange)
{
    Response response(exchange.local_client);
    WriteListingPage(response, exchange.target);
    return exchange.Send(response);
}

}  // namespace vireo
