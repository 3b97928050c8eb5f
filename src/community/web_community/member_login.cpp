#include "community/web_community/member_login.h"

#include "community/web_community/login_address.h"
#include "community/web_community/login_request.h"
#include "platform/client_socket.h"
#include "platform/client_tls.h"

namespace vireo {
namespace {

// How much of the reply one receive takes.
constexpr std::size_t kReceiveSlice = 8192;

}  // namespace

std::optional<LoginOutcome> ExchangeLogin(const CommunityHost& host, std::string_view site_url,
                                          const LoginLimits& limits, int cancel_fd)
{
    std::optional<LoginAddress> address = ParseLoginAddress(host.login_url);
    std::optional<Ipv4Address> peer = address ? ResolveIpv4(address->host) : std::nullopt;
    if (!peer) return FailedLogin(login_failure::kInvalidLoginUrl);

    TcpClient socket;
    if (!socket.valid()) return FailedLogin(login_failure::kNoSocket);
    if (std::optional<NetFailure> failure =
            socket.Connect({*peer, address->port}, WaitLimit::From(limits.connect, cancel_fd))) {
        if (*failure == NetFailure::Cancelled) return std::nullopt;
        return FailedLogin(std::string(login_failure::kCannotConnect) + address->host);
    }

    const WaitLimit exchange = WaitLimit::From(limits.exchange, cancel_fd);
    std::unique_ptr<TlsClient> tls;
    if (address->tls) {
        auto started = TlsClient::Start(socket.handle(), address->host, exchange);
        if (!started && started.error().failure == NetFailure::Cancelled) return std::nullopt;
        if (!started) return FailedLogin(std::string(login_failure::kTlsFailed) + started.error().text);
        tls = std::move(*started);
    }
    const std::string request = LoginRequest(host, *address, site_url);
    if (std::optional<NetFailure> failure =
            tls ? tls->SendAll(request, exchange) : socket.SendAll(request, exchange)) {
        if (*failure == NetFailure::Cancelled) return std::nullopt;
        return FailedLogin(login_failure::kDisconnected);
    }
    LoginReplyReader reply(limits.reply_bytes);
    std::string chunk;
    for (;;) {
        chunk.clear();
        std::expected<std::size_t, NetFailure> got = tls ? tls->Receive(chunk, kReceiveSlice, exchange)
                                                         : socket.Receive(chunk, kReceiveSlice, exchange);
        if (!got && got.error() == NetFailure::Cancelled) return std::nullopt;
        if (!got || *got == 0) return reply.Disconnected();
        if (std::optional<LoginOutcome> outcome = reply.Add(chunk)) return outcome;
    }
}

RecordUpdate StoreLoginOutcome(const CommunityHost& host, const LoginOutcome& outcome)
{
    return UpdateHost(host.id, [&](CommunityHost& stored) {
        if (stored.login_url != host.login_url) return false;
        stored.host_description = outcome.text;
        if (outcome.accepted) {
            stored.host_name = outcome.host_name;
            stored.host_page = outcome.host_page;
            stored.last_login = LocalRecordTime();
        } else {
            stored.host_name.clear();
            stored.host_page.clear();
        }
        return true;
    });
}

bool LoginToHost(const CommunityHost& host, std::string_view site_url, const LoginLimits& limits,
                 int cancel_fd)
{
    std::optional<LoginOutcome> outcome = ExchangeLogin(host, site_url, limits, cancel_fd);
    if (!outcome) return false;
    StoreLoginOutcome(host, *outcome);
    return true;
}

}  // namespace vireo
