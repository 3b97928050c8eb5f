#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/ipv4.h"
#include "base/unique_fd.h"
#include "support/scripted_server.h"

namespace vireo::testing {

// A home router on 127.0.0.2 for the router discovery tests: it answers searches on UDP port
// 1900 and serves its description and SOAP answers over HTTP on the same address. Port 1900 is
// one per machine, so gateways of tests that run at the same time take turns (a lock file).
class FakeGateway {
public:
    static constexpr Ipv4Address kAddress{127, 0, 0, 2};

    struct Script {
        // The answer to a search, given the HTTP server's address ("http://127.0.0.2:PORT"); none
        // leaves searches unanswered.
        std::function<std::string(const std::string& http_base)> search_answer;
        // Before the answer, a datagram from another address reaches the searching socket.
        bool decoy_first = false;
        ScriptedServer::Answer http;
    };

    explicit FakeGateway(Script script);
    ~FakeGateway();
    FakeGateway(const FakeGateway&) = delete;
    FakeGateway& operator=(const FakeGateway&) = delete;

    bool ready() const { return ready_; }
    std::string http_base() const;
    std::vector<std::string> datagrams();
    std::vector<std::string> http_requests() { return http_->requests(); }

private:
    void Run();

    UniqueFd lock_file_;
    Script script_;
    UniqueFd udp_;
    UniqueFd decoy_;
    UniqueFd stop_;
    std::unique_ptr<ScriptedServer> http_;
    bool ready_ = false;
    std::mutex lock_;
    std::vector<std::string> datagrams_;
    std::thread thread_;
};

}  // namespace vireo::testing
