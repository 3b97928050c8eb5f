// The server under a descriptor limit so small that accepting runs out of descriptors.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

#include "settings/settings.h"
#include "support/child_process.h"
#include "support/loopback.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

using namespace std::chrono_literals;

// Processor time the process has used so far (user and system).
std::chrono::milliseconds CpuTime(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i) fields >> skip;
    long user = 0, system = 0;
    fields >> user >> system;
    return std::chrono::milliseconds((user + system) * 1000 / ::sysconf(_SC_CLK_TCK));
}

TEST(ServeLimitsTest, OutOfDescriptorsShedsConnectionsWithoutSpinning)
{
    TestHome home;
    SetListenIp({127, 0, 0, 1});
    ChildProcess serve(
        {"/bin/sh", "-c", std::string("ulimit -n 20 && exec ") + VIREO_BINARY + " serve --port 0"});
    std::optional<std::string> first = serve.ReadLine();
    ASSERT_TRUE(first && first->starts_with("Listening on ")) << first.value_or("(nothing)");
    const std::uint16_t port = ListeningPort(*first);

    std::vector<std::unique_ptr<LoopbackClient>> idle;
    for (int i = 0; i < 30; ++i) idle.push_back(std::make_unique<LoopbackClient>(port));
    std::this_thread::sleep_for(1s);
    auto before = CpuTime(serve.pid());
    std::this_thread::sleep_for(2s);
    EXPECT_LT(CpuTime(serve.pid()) - before, 500ms)
        << "the listener must not spin on a full descriptor table";

    idle.clear();
    std::string answer;
    for (auto deadline = std::chrono::steady_clock::now() + 10s;
         answer.empty() && std::chrono::steady_clock::now() < deadline;) {
        answer = Exchange(port, "GET /after HTTP/1.1\r\n\r\n");
        if (answer.empty()) std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(answer.rfind("HTTP/1.1 404 Not Found\r\n", 0), 0u);
    serve.Signal(SIGTERM);
    EXPECT_EQ(serve.WaitForExit(), 0);
}

}  // namespace
}  // namespace vireo::testing
