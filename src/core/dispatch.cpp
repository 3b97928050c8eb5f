#include "core/dispatch.h"

#include "config/access_control.h"
#include "config/dynamic_files.h"
#include "config/home_page.h"
#include "config/listing_page.h"
#include "config/resolve_url.h"
#include "config/settings.h"
#include "content/upload.h"
#include "content/upload_form.h"
#include "content/zip_download.h"
#include "core/ascii_case.h"
#include "core/file_delivery.h"
#include "core/realtime_stream.h"
#include "core/request_reader.h"
#include "core/send_response.h"
#include "core/server.h"
#include "core/standard_answers.h"
#include "core/url_codec.h"

namespace vireo {
namespace {

// One request being dispatched: the connection, what the server shares, and the answers.
class Dispatcher {
public:
    Dispatcher(Connection& connection, ServerContext& context)
        : connection_(connection),
          context_(context),
          request_(connection.request()),
          local_client_(IsLocalPeer(connection))
    {
    }

    int Run();

private:
    int Route(const ResolvedTarget& target);
    int RouteDirectory(const ResolvedTarget& target);
    int RouteFile(const ResolvedTarget& target);
    int RouteDynamicFile(const ResolvedTarget& target);
    int RouteWebCommunity(const ResolvedTarget& target);

    int Send(Response& response) { return SendResponse(connection_, response, &context_.clients); }
    int Error(unsigned status)
    {
        Response response(local_client_);
        BuildErrorPage(response, status, request_.RawText());
        return Send(response);
    }
    int Refuse(unsigned status, std::string_view shown_url)
    {
        context_.clients.SetState(connection_.handle(), ClientState::Refused, shown_url);
        return Error(status);
    }
    int Listing(const ResolvedTarget& target)
    {
        Response response(local_client_);
        WriteListingPage(response, target);
        return Send(response);
    }
    // The answer of every route whose service this server does not offer yet: thumbnails,
    // extensions, the guestbook, the chat room and the web community.
    int ServiceNotAvailable() { return Error(404); }

    // With passwords in use, every request but the web community's log-in must carry the
    // credentials of an account.
    bool NeedsCredentials(const ResolvedTarget& target) const
    {
        if (!GetUsePasswords()) return false;
        return target.kind != TargetKind::WebCommunity || !EqualsIgnoreCase(target.rest, "login");
    }

    bool IsPost() const { return request_.method() == Method::Post; }
    bool QueryIs(std::string_view word) const { return EqualsIgnoreCase(request_.Query(), word); }

    Connection& connection_;
    ServerContext& context_;
    const Request& request_;
    const bool local_client_;  // the client is this computer
    std::string url_;          // decoded, for the client table
};

int Dispatcher::Run()
{
    ReadResult read = ReadRequest(connection_);
    if (read == ReadResult::TooLarge) return Refuse(400, "null");
    if (read != ReadResult::Ok) return static_cast<int>(read);

    if (request_.Url().empty()) return Refuse(400, "null");
    url_ = UrlUnescape(request_.Url());
    if (!request_.IsWellFormed()) return Refuse(400, url_);

    ResolvedTarget target = ResolveUrl(request_.Url());
    if (!target.found) return Refuse(404, url_);

    if (NeedsCredentials(target) && !HasValidCredentials(request_)) {
        Response response(local_client_);
        BuildUnauthorized(response);
        return Send(response);
    }

    if (request_.Query() == "?") {
        Response response(local_client_);
        BuildEchoPage(response, request_.RawText());
        return Send(response);
    }

    switch (request_.method()) {
        case Method::Get:
        case Method::Head:
            context_.clients.SetState(connection_.handle(), ClientState::Download, url_);
            break;
        case Method::Post:
            context_.clients.SetState(connection_.handle(), ClientState::Upload, url_);
            break;
        case Method::Options:
        case Method::Delete:
        case Method::Put:
        case Method::Trace:
        case Method::Unknown:
            return Refuse(405, url_);
    }
    return Route(target);
}

int Dispatcher::Route(const ResolvedTarget& target)
{
    switch (target.kind) {
        case TargetKind::Home:
            if (IsPost()) return Error(405);
            return AnswerHomePage(connection_, &context_.clients, target, context_.BoundAddress());
        case TargetKind::Directory:
            return RouteDirectory(target);
        case TargetKind::File:
            return RouteFile(target);
        case TargetKind::DynamicFile:
            return RouteDynamicFile(target);
        case TargetKind::ThumbnailIndex:
            if (IsPost()) return Error(400);
            return DeliverFile(connection_, &context_.clients, target);
        case TargetKind::Guestbook:
            if (!GetEnableGuestbook()) return Error(403);
            return ServiceNotAvailable();
        case TargetKind::Webchat:
            return ServiceNotAvailable();
        case TargetKind::WebCommunity:
            return RouteWebCommunity(target);
        case TargetKind::Extension:
            return ServiceNotAvailable();
        case TargetKind::Unresolved:
            break;
    }
    return 0;
}

int Dispatcher::RouteDirectory(const ResolvedTarget& target)
{
    const std::string& folder = target.folder_name;
    ClientTable* progress = &context_.clients;
    if (IsPost())
        return GetFolderCanPostFiles(folder) ? ReceiveUpload(connection_, progress, target) : Error(405);
    if (QueryIs("postfile")) {
        return GetFolderCanPostFiles(folder) ? AnswerUploadForm(connection_, progress, target) : Error(405);
    }
    if (QueryIs("zipdld")) {
        return GetFolderZipDownload(folder) ? AnswerZipDownload(connection_, progress, target) : Error(405);
    }
    if (!GetFolderVisible(folder)) return Error(403);
    if (target.rest.empty() || GetFolderCanBrowseSubfolders(folder)) return Listing(target);
    return Error(403);
}

int Dispatcher::RouteFile(const ResolvedTarget& target)
{
    if (IsPost()) return Error(400);
    if (QueryIs("thumbnail")) return ServiceNotAvailable();
    bool below_top = target.rest.find_first_of("/\\") != std::string::npos;
    if (!below_top || GetFolderCanBrowseSubfolders(target.folder_name)) {
        return DeliverFile(connection_, &context_.clients, target);
    }
    return Error(403);
}

int Dispatcher::RouteDynamicFile(const ResolvedTarget& target)
{
    if (IsPost()) return Error(400);
    if (request_.method() == Method::Get && IsRealTimeFile(target.folder_name)) {
        return StreamRealTimeFile(connection_, &context_.clients, target);
    }
    return DeliverFile(connection_, &context_.clients, target);
}

int Dispatcher::RouteWebCommunity(const ResolvedTarget& target)
{
    if (IsPost()) return Error(403);
    if (target.rest.empty() || EqualsIgnoreCase(target.rest, "login")) return ServiceNotAvailable();
    return Error(403);
}

}  // namespace

int Dispatch(Connection& connection, ServerContext& context)
{
    return Dispatcher(connection, context).Run();
}

}  // namespace vireo
