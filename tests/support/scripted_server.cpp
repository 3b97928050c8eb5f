#include "support/scripted_server.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <cstring>

#include "base/io.h"

namespace vireo::testing {
namespace {

// The number after "Content-Length:" in a request head; 0 without one.
std::size_t BodyLength(const std::string& head)
{
    for (const char* name : {"Content-Length:", "CONTENT-LENGTH:", "content-length:"}) {
        const std::size_t at = head.find(name);
        if (at != std::string::npos) return std::strtoul(head.c_str() + at + std::strlen(name), nullptr, 10);
    }
    return 0;
}

}  // namespace

ScriptedServer::ScriptedServer(const Ipv4Address& address, Answer answer)
    : answer_(std::move(answer)),
      listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)),
      stop_(::eventfd(0, EFD_CLOEXEC))
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    std::memcpy(&sa.sin_addr, address.data(), 4);
    socklen_t length = sizeof sa;
    if (::bind(listener_.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        ::listen(listener_.get(), 16) != 0 ||
        ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&sa), &length) != 0) {
        return;
    }
    port_ = ntohs(sa.sin_port);
    thread_ = std::thread([this] { Run(); });
}

ScriptedServer::~ScriptedServer()
{
    const std::uint64_t one = 1;
    (void)WriteAll(stop_.get(), &one, sizeof one);
    if (thread_.joinable()) thread_.join();
}

std::vector<std::string> ScriptedServer::requests()
{
    std::lock_guard guard(lock_);
    return requests_;
}

bool ScriptedServer::WaitForRequests(std::size_t count, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (requests().size() >= count) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

bool ScriptedServer::WaitFor(int fd, short events, int milliseconds)
{
    pollfd waits[2] = {{fd, events, 0}, {stop_.get(), POLLIN, 0}};
    return PollRetrying(waits, 2, milliseconds) > 0 && waits[1].revents == 0 && waits[0].revents != 0;
}

bool ScriptedServer::Stopping(int milliseconds)
{
    pollfd wait{stop_.get(), POLLIN, 0};
    return PollRetrying(&wait, 1, milliseconds) > 0;
}

void ScriptedServer::Run()
{
    while (WaitFor(listener_.get(), POLLIN, -1)) {
        UniqueFd client(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (client) Serve(client.get());
    }
}

void ScriptedServer::Serve(int client)
{
    std::string request;
    char chunk[4096];
    std::size_t head_end = std::string::npos;
    while (head_end == std::string::npos ||
           request.size() < head_end + 4 + BodyLength(request.substr(0, head_end))) {
        if (!WaitFor(client, POLLIN, 10000)) return;
        const ssize_t got = ReceiveSome(client, chunk, sizeof chunk, 0);
        if (got <= 0) break;
        request.append(chunk, static_cast<std::size_t>(got));
        head_end = request.find("\r\n\r\n");
    }
    {
        std::lock_guard guard(lock_);
        requests_.push_back(request);
    }
    const ScriptedReply reply = answer_(request);
    for (std::size_t i = 0; i < reply.pieces.size(); ++i) {
        // A pause is a wait on the stop event, so a test never outlasts its server.
        if (i > 0 && reply.gap.count() > 0 && Stopping(static_cast<int>(reply.gap.count()))) return;
        const std::string& piece = reply.pieces[i];
        if (::send(client, piece.data(), piece.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(piece.size()))
            return;
    }
    if (!reply.close_after) {
        while (WaitFor(client, POLLIN, 60000) && ReceiveSome(client, chunk, sizeof chunk, 0) > 0) {
        }
    }
}

}  // namespace vireo::testing
