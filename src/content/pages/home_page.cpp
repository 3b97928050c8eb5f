#include "content/pages/home_page.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "base/text_helpers.h"
#include "base/url_codec.h"
#include "content/files/file_delivery.h"
#include "http/send_response.h"
#include "http/standard_answers.h"
#include "settings/dynamic_files.h"
#include "settings/settings.h"
#include "site/page_parts.h"
#include "site/page_text.h"

namespace vireo {
namespace {

constexpr int kExpiresMinutes = 1;

// One row of the Folders table: a virtual folder or a built-in application.
struct FolderRow {
    std::string_view name;             // the first path element it is reached by
    std::string_view link_attributes;  // further attributes of its link
    bool can_post = false;
    std::string_view description;  // the owner's HTML; empty shows a blank cell
    bool zip_download = false;
};

void AddFolderRow(Response& response, const FolderRow& row)
{
    const std::string href = HrefText(row.name);
    response.AddBodyText("<tr>\r\n<td><a href=\"/" + href + "/\"");
    response.AddBodyText(row.link_attributes);
    response.AddBodyText(">" + HtmlEscape(row.name) + "</a></td>\r\n");
    response.AddBodyText(row.can_post ? "<td align=\"center\">yes</td>\r\n"
                                      : "<td align=\"center\">no</td>\r\n");
    response.AddBodyText("<td>" +
                         (row.description.empty() ? std::string("&nbsp;") : std::string(row.description)) +
                         "</td>\r\n");
    if (row.zip_download) {
        response.AddBodyText("<td align=\"center\"><a href=\"/" + href + "/?zipdld\">Download</a></td>\r\n");
    } else {
        response.AddBodyText(kBlankCell);
    }
    response.AddBodyText("</tr>\r\n");
}

struct NamedFolder {
    std::string name;
    FolderSettings settings;
};

std::vector<NamedFolder> VisibleFolders()
{
    std::vector<NamedFolder> folders;
    for (int i = 0; auto name = EnumFolderName(i); ++i) {
        FolderSettings settings = ReadFolder(*name);
        if (settings.visible) folders.push_back({std::move(*name), std::move(settings)});
    }
    return folders;
}

void AddFoldersSection(Response& response, bool chat_room_open)
{
    const std::vector<NamedFolder> folders = VisibleFolders();
    const bool guestbook = GetEnableGuestbook();
    const bool community = GetAsWebCommHost() || GetAsWebCommMember();
    if (folders.empty() && !guestbook && !chat_room_open && !community) return;

    response.AddBodyText(
        "<h5 style=\"color:#ff0000;margin-top:12;margin-bottom:3\">Folders</h5>\r\n"
        "<table border=\"0\" width=\"100%\" COLS=\"4\" cellpadding=\"0\" noWrap>\r\n"
        "<tr>\r\n"
        "<th width=\"160\">Name</th>\r\n"
        "<th width=\"60\">Post</th>\r\n"
        "<th>Description</th>\r\n"
        "<th width=\"120\">Zip Folder</th>\r\n"
        "</tr>\r\n");
    for (const NamedFolder& folder : folders) {
        AddFolderRow(response, {folder.name, "", folder.settings.can_post_files, folder.settings.description,
                                folder.settings.zip_download});
    }
    // The applications open in a window of their own.
    constexpr std::string_view kNewWindow = " target=\"_blank\"";
    if (guestbook) {
        AddFolderRow(response, {kGuestbookName, kNewWindow, true, "You can drop a message here", false});
    }
    if (chat_room_open) {
        AddFolderRow(response, {kWebchatName, kNewWindow, false, "The Chat Room", false});
    }
    if (community) {
        AddFolderRow(response, {kWebCommunityName, kNewWindow, false, "Web Community Members", false});
    }
    response.AddBodyText("</table>\r\n");
}

void AddFilesSection(Response& response)
{
    if (!GetDynamicFolderVisible()) return;
    std::vector<std::pair<std::string, DynamicFile>> files;
    FileList list;
    for (int i = 0; auto file = EnumDynamicFile(i); ++i) {
        if (AddDynamicFileEntry(list, file->second.path, file->first)) files.push_back(std::move(*file));
    }
    if (list.empty()) return;
    SortByName(list);

    response.AddBodyText(
        "<h5 style=\"color:#ff0000;margin-top:32;margin-bottom:3\">Files</h5>\r\n"
        "<table border=\"0\" width=\"100%\" COLS=4 cellpadding=0>\r\n"
        "<tr height=\"18\">\r\n"
        "<th>Name</th>\r\n"
        "<th width=\"120\">Type</th>\r\n"
        "<th width=\"120\">Size</th>\r\n"
        "<th width=\"150\">Time</th>\r\n"
        "</tr>\r\n");
    for (const FileEntry& entry : list) {
        auto file = std::ranges::find(files, entry.name, &std::pair<std::string, DynamicFile>::first);
        if (file == files.end()) continue;
        std::string title = GetDisplayTitle(file->second.path);
        AddEntryRow(response, {.href = RelativeHref(entry.name),
                               .link_html = HtmlEscape(title.empty() ? entry.name : title),
                               .after_link = file->second.real_time ? " (RTF)" : "",
                               .type_html = HtmlEscape(GetTypeName(entry.name, entry.directory)),
                               .entry = entry,
                               .last_cell = ""});
    }
    response.AddBodyText("</table>\r\n");
}

}  // namespace

void WriteHomePage(Response& response, bool chat_room_open)
{
    // The owner's own texts go out as stored: the owner may write HTML in them.
    const std::string title = GetMainPageTitle();
    BeginGeneratedPage(response, kExpiresMinutes, title);
    AddTitleBanner(response, title);
    if (std::optional<std::string> intro = GetSiteIntro()) {
        response.AddBodyText("<p>" + *intro + "</p>\r\n");
        response.AddBodyText(kBannerRule);
    }
    AddFoldersSection(response, chat_room_open);
    AddFilesSection(response);
    EndGeneratedPage(response);
}

int AnswerHomePage(Exchange& exchange)
{
    const ResolvedTarget& home = exchange.target;
    // Resolution leaves the local path empty whenever the chosen home page failed its checks, and
    // the generated page stands in.
    if (!home.local_path.empty()) {
        switch (GetHomePageType()) {
            case HomePageType::HtmlFile: {
                FileResponse response;
                BuildFileResponse(response, home);
                return exchange.Send(response);
            }
            case HomePageType::ExtensionFile: {
                // The extension handler produces the page; for an extension home page the local
                // path is the file's name inside the extension folder.
                Response response;
                BuildRedirect(response, FormatSiteUrl(exchange.site) + std::string(kExtensionName) + "/" +
                                            UrlEscape(home.local_path));
                return exchange.Send(response);
            }
            case HomePageType::Generated:
                break;
        }
    }
    Response response;
    WriteHomePage(response, exchange.chat_room_open);
    return exchange.Send(response);
}

}  // namespace vireo
