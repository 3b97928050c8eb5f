// What a program receives: the request copied exactly, the identifier that keeps concurrent
// exchanges apart, and a process that holds nothing of the server's.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <random>
#include <set>

#include "content/extensions/extension_site.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

TEST(ExtensionRequestTest, APostBodySentInPiecesIsCopiedExactlyAndPrivately)
{
    ExtensionSite site;
    ASSERT_TRUE(site.ready());
    const ExtensionFolder& programs = site.programs;
    programs.Add("echo.sh", ShellProgram("stat -c %a \"$x.r\" > \"$d/request-mode\"\n"
                                         "cp \"$x.r\" \"$x.b\"; printf 000 > \"$x.c\"\n"));
    std::mt19937 random(20240611);
    std::string body(300000, '\0');
    for (char& byte : body) byte = static_cast<char>(random());
    const std::string header =
        "POST /Extension/echo.sh?x=1 HTTP/1.1\r\nHost: x\r\nCookie: secret=1\r\n"
        "Content-Length: " +
        std::to_string(body.size()) + "\r\n\r\n";
    const std::string request = header + body;

    LoopbackClient client(site.server.port());
    ASSERT_TRUE(client.connected());
    // Pieces of random sizes, the first ending inside the body, with pauses the server must wait out.
    std::size_t sent = 0;
    while (sent < request.size()) {
        const std::size_t piece = std::min<std::size_t>(request.size() - sent, 1 + random() % 70000);
        ASSERT_TRUE(client.Send(std::string_view(request).substr(sent, piece)));
        sent += piece;
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 50));
    }
    const std::string answer = client.ReadAll();
    EXPECT_EQ(StatusLineOf(answer), "HTTP/1.1 200 OK");
    EXPECT_TRUE(BodyOf(answer) == request) << "the copy differs from the request";
    EXPECT_EQ(ReadFile(programs.path / "request-mode"), "600\n");
    EXPECT_TRUE(site.ExchangeFilesGo());
}

// The signal state `vireo serve` gives its threads (stop signals blocked; SIGPIPE is ignored in every
// test program, as in vireo), for the threads started while the object lives.
class ServeSignalState {
public:
    ServeSignalState()
    {
        sigset_t stop;
        sigemptyset(&stop);
        sigaddset(&stop, SIGTERM);
        sigaddset(&stop, SIGINT);
        ::pthread_sigmask(SIG_BLOCK, &stop, &old_mask_);
    }
    ~ServeSignalState()
    {
        ::pthread_sigmask(SIG_SETMASK, &old_mask_, nullptr);
    }

private:
    sigset_t old_mask_{};
};

TEST(ExtensionRequestTest, ProgramsHoldOnlyTheStandardDescriptorsAndStartWithDefaultSignals)
{
    const ServeSignalState serve_signals;
    // Open in the server, and not closed on exec.
    const UniqueFd inheritable(::open("/dev/null", O_RDONLY));
    ExtensionSite site;
    ASSERT_TRUE(site.ready());
    site.programs.Add("fds.py",
                      "import sys, os\n"
                      "x = os.path.join(os.path.dirname(sys.argv[0]), sys.argv[1])\n"
                      "fds = sorted(int(n) for n in os.listdir('/proc/self/fd'))\n"
                      "ends = [os.readlink('/proc/self/fd/%d' % n) for n in (0, 1, 2)]\n"
                      "open(x + '.b', 'w').write(' '.join(map(str, fds)) + '|' + ' '.join(ends))\n"
                      "open(x + '.c', 'w').write('000')\n");
    site.programs.Add("signals.sh", ShellProgram("grep -E '^(SigBlk|SigIgn)' /proc/self/status > \"$x.b\"\n"
                                                 "printf 000 > \"$x.c\"\n"));

    // The fourth descriptor is the one that lists the others.
    EXPECT_EQ(BodyOf(site.Answer(Get("/Extension/fds.py"))), "0 1 2 3|/dev/null /dev/null /dev/null");
    const std::string signals = BodyOf(site.Answer(Get("/Extension/signals.sh")));
    const std::string blocked = "SigBlk:\t0000000000000000\nSigIgn:\t";
    ASSERT_TRUE(signals.starts_with(blocked)) << signals;
    // The C library keeps its own two signals (32 and 33) ignored in every child it starts; none of
    // the standard signals, 1 to 31, is.
    EXPECT_EQ(std::stoull(signals.substr(blocked.size()), nullptr, 16) & 0x7FFFFFFF, 0u) << signals;
}

TEST(ExtensionRequestTest, ConcurrentRequestsToOneProgramAreKeptApart)
{
    ExtensionSite site;
    ASSERT_TRUE(site.ready());
    // Runs long enough for the exchanges to overlap.
    site.programs.Add("who.py",
                      "import sys, os, time\n"
                      "x = os.path.join(os.path.dirname(sys.argv[0]), sys.argv[1])\n"
                      "time.sleep(0.5)\n"
                      "open(x + '.b', 'w').write(sys.argv[1] + ' ' + open(x + '.r').read().split(' ')[1])\n"
                      "open(x + '.c', 'w').write('000')\n");
    constexpr int kRequests = 10;
    std::vector<std::string> answers(kRequests);
    std::vector<std::thread> visitors;
    for (int i = 0; i < kRequests; ++i) {
        visitors.emplace_back([&, i] {
            answers[i] = BodyOf(Exchange(site.server.port(), Get("/Extension/who.py?" + std::to_string(i))));
        });
    }
    for (std::thread& visitor : visitors) visitor.join();

    std::set<std::string> identifiers;
    for (int i = 0; i < kRequests; ++i) {
        const std::size_t space = answers[i].find(' ');
        ASSERT_NE(space, std::string::npos) << answers[i];
        identifiers.insert(answers[i].substr(0, space));
        // Each program read its own visitor's request.
        EXPECT_EQ(answers[i].substr(space + 1), "/Extension/who.py?" + std::to_string(i));
    }
    EXPECT_EQ(identifiers.size(), static_cast<std::size_t>(kRequests));
    EXPECT_TRUE(WaitUntil([&] { return CountEntries(site.programs.path) == 1; }));
}

}  // namespace
}  // namespace vireo::testing
