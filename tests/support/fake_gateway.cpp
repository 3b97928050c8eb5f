#include "support/fake_gateway.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>

#include <filesystem>

#include "base/io.h"
#include "base/socket_address.h"

namespace vireo::testing {
namespace {

UniqueFd BoundUdp(const Ipv4Address& address, std::uint16_t port)
{
    UniqueFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    const int on = 1;
    ::setsockopt(socket.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in sa = ToSockaddr({address, port});
    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) socket.reset();
    return socket;
}

}  // namespace

FakeGateway::FakeGateway(Script script)
    : lock_file_(::open((std::filesystem::temp_directory_path() / "vireo-fake-gateway.lock").c_str(),
                        O_RDWR | O_CREAT | O_CLOEXEC, 0666)),
      script_(std::move(script))
{
    if (!lock_file_ || ::flock(lock_file_.get(), LOCK_EX) != 0) return;
    udp_ = BoundUdp(kAddress, 1900);
    decoy_ = BoundUdp({127, 0, 0, 3}, 0);
    stop_ = UniqueFd(::eventfd(0, EFD_CLOEXEC));
    http_ = std::make_unique<ScriptedServer>(
        kAddress, script_.http ? script_.http : [](const std::string&) {
            return ScriptedReply{{"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"}};
        });
    ready_ = udp_ && decoy_ && stop_ && http_->port() != 0;
    if (ready_) thread_ = std::thread([this] { Run(); });
}

FakeGateway::~FakeGateway()
{
    const std::uint64_t one = 1;
    if (stop_) (void)WriteAll(stop_.get(), &one, sizeof one);
    if (thread_.joinable()) thread_.join();
    http_.reset();
    udp_.reset();
}

std::string FakeGateway::http_base() const
{
    return "http://127.0.0.2:" + std::to_string(http_ ? http_->port() : 0);
}

std::vector<std::string> FakeGateway::datagrams()
{
    std::lock_guard guard(lock_);
    return datagrams_;
}

void FakeGateway::Run()
{
    char buffer[4096];
    for (;;) {
        pollfd waits[2] = {{udp_.get(), POLLIN, 0}, {stop_.get(), POLLIN, 0}};
        if (PollRetrying(waits, 2, -1) <= 0 || waits[1].revents != 0) return;
        sockaddr_in sender{};
        socklen_t length = sizeof sender;
        const ssize_t got =
            ::recvfrom(udp_.get(), buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&sender), &length);
        if (got < 0) continue;
        {
            std::lock_guard guard(lock_);
            datagrams_.emplace_back(buffer, static_cast<std::size_t>(got));
        }
        if (!script_.search_answer) continue;
        const std::string answer = script_.search_answer(http_base());
        const auto* to = reinterpret_cast<const sockaddr*>(&sender);
        if (script_.decoy_first) {
            const std::string decoy = "HTTP/1.1 200 OK\r\nLOCATION: http://127.0.0.3:9/decoy.xml\r\n\r\n";
            ::sendto(decoy_.get(), decoy.data(), decoy.size(), 0, to, length);
        }
        ::sendto(udp_.get(), answer.data(), answer.size(), 0, to, length);
    }
}

}  // namespace vireo::testing
