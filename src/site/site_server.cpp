#include "site/site_server.h"

#include "settings/settings.h"
#include "site/access_control.h"
#include "site/logbook.h"
#include "site/site_tls.h"

namespace vireo {
namespace {

// The logbook's words for a read that did not end in a request.
std::string_view LogMessage(const ReadReport& report)
{
    switch (report.result) {
        case ReadResult::Ok:
            return {};
        case ReadResult::Blocked:
            return report.malicious ? kLogBlockedMalicious : kLogBlockedUnknown;
        case ReadResult::BlockedForbiddenByte:
            return kLogBlockedMalicious;
        case ReadResult::BlockedTooLong:
            return kLogBlockedTooLong;
        case ReadResult::TooLarge:
            return kLogTooLarge;
        case ReadResult::Disconnected:
            return kLogDisconnected;
        case ReadResult::TimedOut:
            return kLogTimedOut;
        case ReadResult::HandshakeFailed:
            return kLogHandshakeFailed;
    }
    return {};
}

void RecordRead(const ReadReport& report)
{
    if (IsBlocked(report.result) && report.peer_known) AddToAutoBlockList(report.peer.address);
    WriteLogRecord(report.peer, report.local, LogMessage(report), report.bytes);
}

}  // namespace

ReadPolicy SiteReadPolicy()
{
    ReadPolicy policy;
    policy.refuse_hostile = GetUseAutoBlockList;
    policy.report = RecordRead;
    return policy;
}

ServerSetup SiteServerSetup(std::span<const Route> routes)
{
    ServerSetup setup;
    setup.listen_address = [] { return Ipv4Endpoint{GetListenIp(), GetListenPort()}; };
    setup.admit = AdmitConnection;
    setup.read_policy = SiteReadPolicy();
    auto tls = std::make_shared<TlsContextWatch>(SiteTlsFiles);
    setup.tls_context = [tls] { return tls->Current(); };
    setup.https_only = [] { return Read(setting::kHttpsOnly); };
    setup.handler = [routes](Connection& connection, ServerContext& context) {
        return RouteRequest(connection, context, routes);
    };
    return setup;
}

}  // namespace vireo
