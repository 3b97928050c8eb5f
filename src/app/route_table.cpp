#include "app/route_table.h"

#include <array>

#include "community/chat/chat_handlers.h"
#include "community/chat/chat_room.h"
#include "community/guestbook/guestbook_handlers.h"
#include "community/web_community/community_page.h"
#include "community/web_community/login_handler.h"
#include "content/extensions/extension.h"
#include "content/files/file_delivery.h"
#include "content/files/realtime_stream.h"
#include "content/pages/home_page.h"
#include "content/pages/listing_page.h"
#include "content/thumbnails/thumbnail_page.h"
#include "content/upload/upload.h"
#include "content/upload/upload_form.h"
#include "content/zip/zip_download.h"
#include "site/route_conditions.h"

namespace vireo {
namespace {

using enum TargetKind;

int StreamRealTime(Exchange& exchange)
{
    return StreamRealTimeFile(exchange);
}

// The home page links the chat room while it runs.
int AnswerHome(Exchange& exchange)
{
    exchange.chat_room_open = SiteChatRoom().IsRunning();
    return AnswerHomePage(exchange);
}

// For each kind of target, the first row whose condition holds answers. A new service adds its
// handler's rows here.
constexpr auto kRoutes = std::to_array<Route>({
    {Home, IsPost, AnswerError<405>},
    {Home, Always, AnswerHome},

    {Directory, Both<IsPost, FolderAllowsPosting>, ReceiveUpload},
    {Directory, IsPost, AnswerError<405>},
    {Directory, Both<AsksUploadForm, FolderAllowsPosting>, AnswerUploadForm},
    {Directory, AsksUploadForm, AnswerError<405>},
    {Directory, Both<AsksZipDownload, Not<FolderAllowsZipDownload>>, AnswerError<405>},
    // An archive of a sub-folder would hand out what the closed sub-folder keeps from visitors.
    {Directory, Both<AsksZipDownload, Not<ReachableInFolder>>, AnswerError<403>},
    {Directory, AsksZipDownload, AnswerZipDownload},
    {Directory, FolderListingOff, AnswerError<403>},
    {Directory, ReachableInFolder, AnswerListing},
    {Directory, Always, AnswerError<403>},

    {File, IsPost, AnswerError<400>},
    {File, Both<AsksThumbnail, ReachableInFolder>, DeliverThumbnailImage},
    {File, AsksThumbnail, AnswerError<403>},
    {File, ReachableInFolder, DeliverFile},
    {File, Always, AnswerError<403>},

    {DynamicFile, IsPost, AnswerError<400>},
    {DynamicFile, Both<IsGet, IsRealTimeDynamicFile>, StreamRealTime},
    {DynamicFile, Always, DeliverFile},

    {ThumbnailIndex, IsPost, AnswerError<400>},
    // The pictures of a directory are shown wherever its listing would be.
    {ThumbnailIndex, FolderListingOff, AnswerError<403>},
    {ThumbnailIndex, ReachableInFolder, AnswerThumbnailPage},
    {ThumbnailIndex, Always, AnswerError<403>},

    {Guestbook, GuestbookOff, AnswerError<403>},
    {Guestbook, IsPost, ReceiveGuestbookPost},
    {Guestbook, Always, AnswerGuestbookForm},

    {Webchat, ChatRoomClosed, AnswerChatRoomClosed},
    {Webchat, IsPost, ReceiveChatSpeech},
    {Webchat, Always, AnswerChatPage},

    {WebCommunity, IsPost, AnswerError<403>},
    {WebCommunity, IsCommunityPage, AnswerCommunityPage},
    {WebCommunity, IsCommunityLogin, AnswerCommunityLogin},
    {WebCommunity, Always, AnswerError<403>},

    {Extension, Always, AnswerExtension},
});

}  // namespace

std::span<const Route> SiteRoutes()
{
    return kRoutes;
}

}  // namespace vireo
