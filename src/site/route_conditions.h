#pragma once

// The conditions of the route table's rows, and the answers every feature shares. A condition
// looks at the request and the target and reads the settings it needs afresh.

#include "site/exchange.h"

namespace vireo {

bool Always(const Exchange& exchange);
bool IsPost(const Exchange& exchange);
bool IsGet(const Exchange& exchange);

// The query is exactly the word, without regard to case.
bool AsksUploadForm(const Exchange& exchange);   // "postfile"
bool AsksZipDownload(const Exchange& exchange);  // "zipdld"
bool AsksThumbnail(const Exchange& exchange);    // "thumbnail"

// The permissions of the virtual folder the target lies in.
bool FolderAllowsPosting(const Exchange& exchange);
bool FolderAllowsZipDownload(const Exchange& exchange);
bool FolderListingOff(const Exchange& exchange);
// The target is the folder itself or a file at its top, or sub-folders may be entered.
bool ReachableInFolder(const Exchange& exchange);

// The dynamic file is published as a real-time stream.
bool IsRealTimeDynamicFile(const Exchange& exchange);
bool GuestbookOff(const Exchange& exchange);
// The web community's page (nothing after "WebCommunity/") and its log-in ("login").
bool IsCommunityPage(const Exchange& exchange);
bool IsCommunityLogin(const Exchange& exchange);

// Both conditions hold.
template <bool (*First)(const Exchange&), bool (*Second)(const Exchange&)>
bool Both(const Exchange& exchange)
{
    return First(exchange) && Second(exchange);
}

// The condition does not hold.
template <bool (*Condition)(const Exchange&)>
bool Not(const Exchange& exchange)
{
    return !Condition(exchange);
}

// Answers with the error page of the status.
template <unsigned Status>
int AnswerError(Exchange& exchange)
{
    return exchange.SendError(Status);
}

}  // namespace vireo
