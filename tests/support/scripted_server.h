#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/ipv4.h"
#include "base/unique_fd.h"

namespace vireo::testing {

// What a scripted server sends back for one request.
struct ScriptedReply {
    std::vector<std::string> pieces;   // sent one after another
    std::chrono::milliseconds gap{0};  // the pause before each piece after the first
    bool close_after = true;           // close once sent; else wait for the peer to go
};

// A TCP server on a loopback address that answers each connection, one at a time, as its test
// says: it reads the request (the head, and a body of its Content-Length), records it, and sends
// the reply the test's function makes of it. Runs on a thread of its own until destroyed.
class ScriptedServer {
public:
    using Answer = std::function<ScriptedReply(const std::string& request)>;

    ScriptedServer(const Ipv4Address& address, Answer answer);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::uint16_t port() const { return port_; }
    // Every request received so far, as received.
    std::vector<std::string> requests();
    // Waits until at least `count` requests have come.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10));

private:
    void Run();
    void Serve(int client);
    // Waits for the descriptor or the stop event; false when stopping or the time ran out.
    bool WaitFor(int fd, short events, int milliseconds);
    // Pauses; true when the server is stopping.
    bool Stopping(int milliseconds);

    Answer answer_;
    UniqueFd listener_;
    UniqueFd stop_;
    std::uint16_t port_ = 0;
    std::mutex lock_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace vireo::testing
