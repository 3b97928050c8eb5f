#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "http/server.h"
#include "site/router.h"
#include "support/test_home.h"

namespace vireo::testing {

// The port of the line `vireo serve` prints once it listens ("Listening on A:PORT at URL"); 0 when
// the line is not of that form.
std::uint16_t ListeningPort(std::string_view line);

// A port nobody listens on right now.
std::uint16_t FreePort();

// A blocking client socket on the loopback interface, closed at destruction.
class LoopbackClient {
public:
    explicit LoopbackClient(std::uint16_t port);
    // The same from another loopback address of this computer (127.0.0.2 ...), so the server sees a
    // second peer address.
    LoopbackClient(std::uint16_t port, const Ipv4Address& from);
    ~LoopbackClient();
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    bool connected() const { return fd_ >= 0; }
    int handle() const { return fd_; }
    bool Send(std::string_view bytes);
    // Everything the server sends until it closes the connection (or the time runs out).
    std::string ReadAll(std::chrono::milliseconds limit = std::chrono::seconds(10));
    // True when the server closed the connection within the limit without sending a byte.
    bool ClosedWithoutAnswer(std::chrono::milliseconds limit = std::chrono::seconds(10));
    void Close();

private:
    int fd_ = -1;
};

// Sends one request and returns the whole answer.
std::string Exchange(std::uint16_t port, std::string_view request);

// The answer with the value of its "Date" header replaced by "*", so pages compare byte for byte.
std::string MaskDate(std::string answer);

// Records every notice the server sends and lets a test wait for them.
class RecordingEvents final : public ServerEvents {
public:
    void OnServerNotice(ServerNotice notice) override;
    void OnClientNotice(ClientNotice notice, const ClientEntry& client) override;
    void OnServiceNotice(ServiceNotice notice) override;

    // How many service notices of this kind have arrived.
    std::size_t ServiceNotices(ServiceNotice notice);
    bool WaitForServerNotice(ServerNotice notice, std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Waits until at least count service notices of this kind have arrived in all.
    bool WaitForServiceNotices(ServiceNotice notice, std::size_t count,
                               std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Waits until at least count client notices of this kind have arrived in all.
    bool WaitForClientNotices(ClientNotice notice, std::size_t count,
                              std::chrono::milliseconds limit = std::chrono::seconds(10));
    // The socket of the latest client notice.
    int last_socket();

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<ServerNotice> server_notices_;
    std::size_t client_counts_[4] = {};
    std::deque<ServiceNotice> service_notices_;
    int last_socket_ = -1;
};

// The site's server setup, listening at the address on the port `port` holds at each start, or on
// one the system chooses when there is none or it holds 0. The site's own route table unless
// `routes` are given.
ServerSetup LoopbackSiteSetup(const Ipv4Address& address,
                              std::shared_ptr<const std::atomic<std::uint16_t>> port = nullptr,
                              std::span<const Route> routes = {});

// A real server of the site on a loopback port the system chose, in a private home.
class TestServer {
public:
    TestServer();
    // The same answering with its own route table instead of the site's.
    explicit TestServer(std::span<const Route> routes);
    ~TestServer();

    std::uint16_t port() const { return port_; }
    Server& server() { return *server_; }
    RecordingEvents& events() { return *events_; }
    const TestHome& home() const { return home_; }
    bool listening() const { return listening_; }

private:
    TestHome home_;
    std::uint16_t port_ = 0;
    std::shared_ptr<RecordingEvents> events_;
    std::shared_ptr<std::atomic<std::uint16_t>> listen_port_;
    std::unique_ptr<Server> server_;
    bool listening_ = false;
};

}  // namespace vireo::testing
