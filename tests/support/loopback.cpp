#include "support/loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <regex>

#include "app/route_table.h"
#include "base/socket_address.h"
#include "site/site_server.h"

namespace vireo::testing {
namespace {

sockaddr_in Loopback(std::uint16_t port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return sa;
}

}  // namespace

std::uint16_t ListeningPort(std::string_view line)
{
    static const std::regex kListening(R"(Listening on [0-9.]+:([0-9]+) at .*)");
    std::match_results<std::string_view::const_iterator> match;
    if (!std::regex_match(line.begin(), line.end(), match, kListening)) return 0;
    const unsigned long port = std::stoul(match[1].str());
    return port <= 65535 ? static_cast<std::uint16_t>(port) : 0;
}

LoopbackClient::LoopbackClient(std::uint16_t port)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa = Loopback(port);
    if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) Close();
}

LoopbackClient::LoopbackClient(std::uint16_t port, const Ipv4Address& from)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in source = ToSockaddr(Ipv4Endpoint{from, 0});
    sockaddr_in sa = Loopback(port);
    if (fd_ >= 0 && (::bind(fd_, reinterpret_cast<const sockaddr*>(&source), sizeof source) != 0 ||
                     ::connect(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0)) {
        Close();
    }
}

LoopbackClient::~LoopbackClient()
{
    Close();
}

void LoopbackClient::Close()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool LoopbackClient::Send(std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

std::string LoopbackClient::ReadAll(std::chrono::milliseconds limit)
{
    std::string answer;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    char chunk[65536];
    while (fd_ >= 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd wait{fd_, POLLIN, 0};
        if (::poll(&wait, 1, static_cast<int>(left.count())) <= 0) break;
        ssize_t got = ::recv(fd_, chunk, sizeof chunk, 0);
        if (got <= 0) break;
        answer.append(chunk, static_cast<std::size_t>(got));
    }
    return answer;
}

bool LoopbackClient::ClosedWithoutAnswer(std::chrono::milliseconds limit)
{
    pollfd wait{fd_, POLLIN, 0};
    if (::poll(&wait, 1, static_cast<int>(limit.count())) <= 0) return false;
    char byte;
    return ::recv(fd_, &byte, 1, 0) <= 0;
}

std::uint16_t FreePort()
{
    UniqueFd probe(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = ToSockaddr({{127, 0, 0, 1}, 0});
    socklen_t length = sizeof address;
    ::bind(probe.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(probe.get(), reinterpret_cast<sockaddr*>(&address), &length);
    return FromSockaddr(address).port;
}

std::string Exchange(std::uint16_t port, std::string_view request)
{
    LoopbackClient client(port);
    if (!client.connected() || !client.Send(request)) return {};
    return client.ReadAll();
}

std::string MaskDate(std::string answer)
{
    static const std::regex date("\r\nDate: [^\r]*\r\n");
    return std::regex_replace(answer, date, "\r\nDate: *\r\n", std::regex_constants::format_first_only);
}

void RecordingEvents::OnServerNotice(ServerNotice notice)
{
    std::lock_guard guard(lock_);
    server_notices_.push_back(notice);
    changed_.notify_all();
}

void RecordingEvents::OnClientNotice(ClientNotice notice, const ClientEntry& client)
{
    std::lock_guard guard(lock_);
    last_socket_ = client.socket;
    ++client_counts_[static_cast<int>(notice) - static_cast<int>(ClientNotice::Connected)];
    changed_.notify_all();
}

void RecordingEvents::OnServiceNotice(ServiceNotice notice)
{
    std::lock_guard guard(lock_);
    service_notices_.push_back(notice);
    changed_.notify_all();
}

std::size_t RecordingEvents::ServiceNotices(ServiceNotice notice)
{
    std::lock_guard guard(lock_);
    return static_cast<std::size_t>(std::count(service_notices_.begin(), service_notices_.end(), notice));
}

int RecordingEvents::last_socket()
{
    std::lock_guard guard(lock_);
    return last_socket_;
}

bool RecordingEvents::WaitForServerNotice(ServerNotice notice, std::chrono::milliseconds limit)
{
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, limit, [&] {
        for (auto it = server_notices_.begin(); it != server_notices_.end(); ++it) {
            if (*it == notice) {
                server_notices_.erase(it);
                return true;
            }
        }
        return false;
    });
}

bool RecordingEvents::WaitForServiceNotices(ServiceNotice notice, std::size_t count,
                                            std::chrono::milliseconds limit)
{
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, limit, [&] {
        return static_cast<std::size_t>(
                   std::count(service_notices_.begin(), service_notices_.end(), notice)) >= count;
    });
}

bool RecordingEvents::WaitForClientNotices(ClientNotice notice, std::size_t count,
                                           std::chrono::milliseconds limit)
{
    std::unique_lock guard(lock_);
    int index = static_cast<int>(notice) - static_cast<int>(ClientNotice::Connected);
    return changed_.wait_for(guard, limit, [&] { return client_counts_[index] >= count; });
}

ServerSetup LoopbackSiteSetup(const Ipv4Address& address,
                              std::shared_ptr<const std::atomic<std::uint16_t>> port,
                              std::span<const Route> routes)
{
    ServerSetup setup = SiteServerSetup(routes.empty() ? SiteRoutes() : routes);
    setup.listen_address = [address, port] {
        return Ipv4Endpoint{address, port ? port->load() : std::uint16_t{0}};
    };
    return setup;
}

TestServer::TestServer() : TestServer(SiteRoutes()) {}

TestServer::TestServer(std::span<const Route> routes)
    : events_(std::make_shared<RecordingEvents>()),
      listen_port_(std::make_shared<std::atomic<std::uint16_t>>(0))
{
    server_ = std::make_unique<Server>(events_, LoopbackSiteSetup({127, 0, 0, 1}, listen_port_, routes));
    server_->Start();
    listening_ = events_->WaitForServerNotice(ServerNotice::Listening);
    port_ = server_->BoundAddress().port;
    // A restart listens on the same port again.
    *listen_port_ = port_;
}

TestServer::~TestServer()
{
    server_->RequestStop();
    events_->WaitForServerNotice(ServerNotice::Stopped);
    server_.reset();
}

}  // namespace vireo::testing
