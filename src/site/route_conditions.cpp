#include "site/route_conditions.h"

#include "base/ascii_case.h"
#include "settings/dynamic_files.h"
#include "settings/settings.h"

namespace vireo {
namespace {

bool QueryIs(const Exchange& exchange, std::string_view word)
{
    return EqualsIgnoreCase(exchange.request().Query(), word);
}

}  // namespace

bool Always(const Exchange&)
{
    return true;
}

bool IsPost(const Exchange& exchange)
{
    return exchange.request().method() == Method::Post;
}

bool IsGet(const Exchange& exchange)
{
    return exchange.request().method() == Method::Get;
}

bool AsksUploadForm(const Exchange& exchange)
{
    return QueryIs(exchange, "postfile");
}

bool AsksZipDownload(const Exchange& exchange)
{
    return QueryIs(exchange, "zipdld");
}

bool AsksThumbnail(const Exchange& exchange)
{
    return QueryIs(exchange, "thumbnail");
}

bool FolderAllowsPosting(const Exchange& exchange)
{
    return GetFolderCanPostFiles(exchange.target.folder_name);
}

bool FolderAllowsZipDownload(const Exchange& exchange)
{
    return GetFolderZipDownload(exchange.target.folder_name);
}

bool FolderListingOff(const Exchange& exchange)
{
    return !GetFolderVisible(exchange.target.folder_name);
}

bool ReachableInFolder(const Exchange& exchange)
{
    const ResolvedTarget& target = exchange.target;
    const bool below_top = target.kind == TargetKind::Directory
                               ? !target.rest.empty()
                               : target.rest.find_first_of("/\\") != std::string::npos;
    return !below_top || GetFolderCanBrowseSubfolders(target.folder_name);
}

bool IsRealTimeDynamicFile(const Exchange& exchange)
{
    return IsRealTimeFile(exchange.target.folder_name);
}

bool GuestbookOff(const Exchange&)
{
    return !GetEnableGuestbook();
}

bool IsCommunityPage(const Exchange& exchange)
{
    return exchange.target.rest.empty();
}

bool IsCommunityLogin(const Exchange& exchange)
{
    return EqualsIgnoreCase(exchange.target.rest, "login");
}

}  // namespace vireo
