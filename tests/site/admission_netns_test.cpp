// Admission of visitors that are not this computer, with real peers: a network namespace joined
// to this one by a veth pair gives the test a second network stack whose address the server does
// not own. Setting that up needs root and `ip netns`; without them the tests skip themselves, and
// tests/site/access_control_test.cpp covers the same rules through AdmitAddress.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <thread>

#include "base/unique_fd.h"
#include "http/server.h"
#include "settings/settings.h"
#include "site/logbook.h"
#include "support/child_process.h"
#include "support/loopback.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

// A namespace named after this process with one veth link into it: this side has the address
// x.y.z.1, the far side x.y.z.2.
class NetworkNamespace {
public:
    NetworkNamespace()
    {
        const int pid = static_cast<int>(::getpid());
        name_ = "vireo-test-" + std::to_string(pid);
        host_link_ = "vvh" + std::to_string(pid);
        const std::uint8_t second = static_cast<std::uint8_t>(100 + (pid >> 8) % 100);
        const std::uint8_t third = static_cast<std::uint8_t>(pid & 0xFF);
        host_ = {10, second, third, 1};
        peer_ = {10, second, third, 2};
        const std::string peer_link = "vvp" + std::to_string(pid);
        const std::string script =
            "ip netns add " + name_ + " && ip link add " + host_link_ + " type veth peer name " + peer_link +
            " && ip link set " + peer_link + " netns " + name_ + " && ip addr add " + FormatAddress(host_) +
            "/30 dev " + host_link_ + " && ip link set " + host_link_ + " up && ip -n " + name_ +
            " addr add " + FormatAddress(peer_) + "/30 dev " + peer_link + " && ip -n " + name_ +
            " link set " + peer_link + " up";
        ProgramResult result = RunProgram({"/bin/sh", "-c", script + " 2>&1"});
        if (result.exit_code != 0) error_ = result.output.empty() ? "ip netns failed" : result.output;
    }

    ~NetworkNamespace()
    {
        // Deleting the namespace destroys the far end of the link, and with it the near end.
        RunProgram(
            {"/bin/sh", "-c", "ip netns del " + name_ + "; ip link del " + host_link_ + " 2>/dev/null"});
    }

    const std::string& error() const { return error_; }
    const Ipv4Address& host() const { return host_; }
    const Ipv4Address& peer() const { return peer_; }

    // A TCP socket that belongs to the namespace: it is created by a thread that joined it.
    UniqueFd Socket() const
    {
        UniqueFd socket;
        std::thread([&] {
            UniqueFd space(::open(("/run/netns/" + name_).c_str(), O_RDONLY | O_CLOEXEC));
            if (space && ::setns(space.get(), CLONE_NEWNET) == 0) {
                socket.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
            }
        }).join();
        return socket;
    }

private:
    std::string name_;
    std::string host_link_;
    Ipv4Address host_{};
    Ipv4Address peer_{};
    std::string error_;
};

// A client connected from inside the namespace (or from this computer when given its own socket).
class Client {
public:
    Client(UniqueFd socket, const Ipv4Address& address, std::uint16_t port) : fd_(std::move(socket))
    {
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(port);
        std::memcpy(&target.sin_addr, address.data(), 4);
        if (fd_ && ::connect(fd_.get(), reinterpret_cast<sockaddr*>(&target), sizeof target) != 0)
            fd_.reset();
    }

    bool connected() const { return fd_.valid(); }

    std::string Exchange(std::string_view request)
    {
        if (::send(fd_.get(), request.data(), request.size(), MSG_NOSIGNAL) != (ssize_t)request.size())
            return {};
        std::string answer;
        char chunk[8192];
        for (;;) {
            pollfd wait{fd_.get(), POLLIN, 0};
            if (::poll(&wait, 1, 10000) <= 0) return answer;
            ssize_t got = ::recv(fd_.get(), chunk, sizeof chunk, 0);
            if (got <= 0) return answer;
            answer.append(chunk, static_cast<std::size_t>(got));
        }
    }

    // True when the server ends the connection within 10 seconds without sending a byte.
    bool ClosedWithoutAnswer()
    {
        pollfd wait{fd_.get(), POLLIN, 0};
        if (::poll(&wait, 1, 10000) <= 0) return false;
        char byte;
        return ::recv(fd_.get(), &byte, 1, 0) <= 0;
    }

private:
    UniqueFd fd_;
};

class AdmissionNetnsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0) GTEST_SKIP() << "network namespaces need root";
        space_ = std::make_unique<NetworkNamespace>();
        if (!space_->error().empty()) GTEST_SKIP() << "no network namespace: " << space_->error();

        ASSERT_TRUE(SetEnableLog(true));
        server_ = std::make_unique<Server>(events_, LoopbackSiteSetup(space_->host()));
        server_->Start();
        ASSERT_TRUE(events_->WaitForServerNotice(ServerNotice::Listening));
        port_ = server_->BoundAddress().port;
    }

    void TearDown() override
    {
        if (server_) {
            server_->RequestStop();
            events_->WaitForServerNotice(ServerNotice::Stopped);
        }
    }

    Client FromOtherComputer() { return Client(space_->Socket(), space_->host(), port_); }
    Client FromThisComputer()
    {
        return Client(UniqueFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)), space_->host(), port_);
    }

    // A request from the far side that is answered; waits until the server has finished it.
    bool Served()
    {
        Client client = FromOtherComputer();
        bool ok =
            client.connected() && client.Exchange("GET /?? HTTP/1.1\r\n\r\n").starts_with("HTTP/1.1 200 OK");
        return ok && events_->WaitForClientNotices(ClientNotice::Closed, ++finished_);
    }

    bool Refused()
    {
        Client client = FromOtherComputer();
        return client.connected() && client.ClosedWithoutAnswer();
    }

    // True when every connection the server registered has been accounted for by Served; a
    // refused connection must never show up as a client.
    bool OnlyServedConnectionsWereClients()
    {
        return !events_->WaitForClientNotices(ClientNotice::Connected, finished_ + 1,
                                              std::chrono::milliseconds(0));
    }

    // The logbook with the times and the visitors' ports masked.
    std::string Log() const
    {
        std::ifstream file(home_.path() / "vireolog.txt", std::ios::binary);
        static const std::regex time("Time: \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\r\n");
        static const std::regex port("(Addr: [\\d.]+):\\d+\r\n");
        const std::string log(std::istreambuf_iterator<char>(file), {});
        return std::regex_replace(std::regex_replace(log, time, "Time: *\r\n"), port, "$1:*\r\n");
    }

    // The record of one request for the echo page from the far side.
    std::string EchoRecord() const
    {
        return "Time: *\r\nAddr: " + FormatAddress(space_->peer()) + ":*\r\nGET /?? HTTP/1.1\r\n" +
               std::string(kLogSeparator);
    }

    TestHome home_;
    std::uint16_t port_ = 0;
    std::unique_ptr<NetworkNamespace> space_;
    std::shared_ptr<RecordingEvents> events_ = std::make_shared<RecordingEvents>();
    std::unique_ptr<Server> server_;
    std::size_t finished_ = 0;
};

TEST_F(AdmissionNetnsTest, TheIpFilterDecidesForOtherComputers)
{
    const Ipv4Address peer = space_->peer();
    EXPECT_TRUE(Served());

    ASSERT_TRUE(SetIpFilterType(2));
    ASSERT_TRUE(SetIpFilterList(AddressList{{peer[0], peer[1], 255, 255}}));
    EXPECT_TRUE(Refused());
    ASSERT_TRUE(SetIpFilterList(AddressList{{peer[0], static_cast<std::uint8_t>(peer[1] + 1), 255, 255}}));
    EXPECT_TRUE(Served());

    ASSERT_TRUE(SetIpFilterType(1));
    EXPECT_TRUE(Refused());
    ASSERT_TRUE(SetIpFilterList(AddressList{{peer[0], peer[1], peer[2], 255}}));
    EXPECT_TRUE(Served());

    EXPECT_TRUE(OnlyServedConnectionsWereClients());
    // One record per served request; the refused connections left none.
    EXPECT_EQ(Log(), EchoRecord() + EchoRecord() + EchoRecord());
}

TEST_F(AdmissionNetnsTest, AHostilePeerLandsOnTheBlockListAndStaysOut)
{
    {
        Client hostile = FromOtherComputer();
        ASSERT_TRUE(hostile.connected());
        EXPECT_EQ(hostile.Exchange("BREW /pot HTTP/1.1\r\n\r\n"), "");
        ASSERT_TRUE(events_->WaitForClientNotices(ClientNotice::Closed, ++finished_));
    }
    EXPECT_EQ(GetAutoBlockList(), AddressList{space_->peer()});
    EXPECT_TRUE(Refused());
    EXPECT_TRUE(OnlyServedConnectionsWereClients());

    // This computer is let in all the same, also when it connects through its own address.
    ASSERT_TRUE(AddToAutoBlockList(space_->host()));
    Client self = FromThisComputer();
    ASSERT_TRUE(self.connected());
    EXPECT_TRUE(self.Exchange("GET /?? HTTP/1.1\r\n\r\n").starts_with("HTTP/1.1 200 OK"));
    ASSERT_TRUE(events_->WaitForClientNotices(ClientNotice::Closed, ++finished_));

    ASSERT_TRUE(SetUseAutoBlockList(false));
    EXPECT_TRUE(Served());
}

// Connection threads that finish under load take the next waiting connection themselves; they must
// refuse a blocked peer exactly as the listener does.
TEST_F(AdmissionNetnsTest, BlockedPeersStayOutWhileConnectionThreadsTakeWaitingConnections)
{
    ASSERT_TRUE(AddToAutoBlockList(space_->peer()));
    std::atomic<bool> done{false};
    std::size_t local_served = 0;
    std::thread busy([&] {
        while (!done.load()) {
            Client self = FromThisComputer();
            if (self.connected() &&
                self.Exchange("GET /?? HTTP/1.1\r\n\r\n").starts_with("HTTP/1.1 200 OK")) {
                ++local_served;
            }
        }
    });
    for (int i = 0; i < 40; ++i) EXPECT_TRUE(Refused());
    done = true;
    busy.join();
    finished_ += local_served;
    ASSERT_TRUE(events_->WaitForClientNotices(ClientNotice::Closed, finished_));
    EXPECT_TRUE(OnlyServedConnectionsWereClients());
}

TEST_F(AdmissionNetnsTest, LogSelfOffStillRecordsOtherComputers)
{
    ASSERT_TRUE(SetLogSelf(false));
    Client self = FromThisComputer();
    ASSERT_TRUE(self.connected());
    EXPECT_TRUE(self.Exchange("GET /self?? HTTP/1.1\r\n\r\n").starts_with("HTTP/1.1 "));
    ASSERT_TRUE(events_->WaitForClientNotices(ClientNotice::Closed, ++finished_));
    EXPECT_TRUE(Served());

    EXPECT_EQ(Log(), EchoRecord());
}

}  // namespace
}  // namespace vireo::testing
