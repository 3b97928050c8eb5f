#include "content/pages/listing_page.h"

#include <string>

#include "base/ascii_case.h"
#include "base/url_codec.h"
#include "http/standard_answers.h"
#include "platform/thumbnail_cache_path.h"
#include "settings/settings_folders.h"
#include "site/file_entry.h"
#include "site/page_parts.h"
#include "site/page_text.h"
#include "site/resolve_url.h"

namespace vireo {
namespace {

constexpr int kExpiresMinutes = 30;
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

bool IsThumbnailIndex(const FileEntry& entry)
{
    return !entry.directory && EqualsIgnoreCase(entry.name, kThumbnailCacheName);
}

void AddDirectoryRow(Response& response, const FileEntry& entry, bool zip_download)
{
    const std::string href = RelativeHref(entry.name);
    const std::string zip_cell =
        zip_download ? "<td align=\"center\"><a href=\"" + href + "/?zipdld\">Download</a></td>\r\n"
                     : std::string(kBlankCell);
    AddEntryRow(response, {.href = href + "/",
                           .link_html = "[" + HtmlEscape(entry.name) + "]",
                           .after_link = "",
                           .type_html = HtmlEscape(GetTypeName(entry.name, true)),
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

void AddFileRow(Response& response, const FileEntry& entry, const std::string& directory)
{
    std::string title = GetDisplayTitle(directory + "/" + entry.name);
    AddEntryRow(response, {.href = RelativeHref(entry.name),
                           .link_html = HtmlEscape(title.empty() ? entry.name : title),
                           .after_link = "",
                           .type_html = HtmlEscape(GetTypeName(entry.name, false)),
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
    // Directories first, then the thumbnail index, then the files.
    for (const FileEntry& entry : list) {
        if (entry.directory) AddDirectoryRow(response, entry, folder.zip_download);
    }
    for (const FileEntry& entry : list) {
        if (IsThumbnailIndex(entry)) AddThumbnailRow(response, entry);
    }
    for (const FileEntry& entry : list) {
        if (!entry.directory && !IsThumbnailIndex(entry)) AddFileRow(response, entry, target.local_path);
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
