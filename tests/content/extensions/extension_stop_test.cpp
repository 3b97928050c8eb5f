// How exchanges end for programs that run on: a visitor who leaves, a program that ignores the stop
// file and SIGTERM, one that never answers, one that runs on after its answer. Every program is
// reaped, its whole process group ends, and the exchange files go.
#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>

#include "content/extensions/extension.h"
#include "content/extensions/extension_site.h"
#include "site/route_conditions.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Short waits, so a program that must be given up on costs seconds rather than a minute.
constexpr ExtensionLimits kShortLimits{
    .poll_step = 50ms, .stall_limit = 2000ms, .stop_grace = 500ms, .kill_grace = 500ms};

int AnswerWithShortLimits(vireo::Exchange& exchange)
{
    return RunExtension(exchange, kShortLimits);
}

constexpr Route kShortRoutes[] = {{TargetKind::Extension, Always, AnswerWithShortLimits}};

// True when no process has the number: the server reaped the program (a zombie still has it).
bool Reaped(pid_t pid)
{
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// True once no process of the program's group is left. The program's own children end with it but
// are reaped by the system's first process, a moment later.
bool GroupEnds(pid_t pid)
{
    return WaitUntil([pid] { return ::killpg(pid, 0) != 0 && errno == ESRCH; });
}

// The program's process number, once it has written "PID PGID" into the file `recorded`; the two
// must agree, the program leading a group of its own.
pid_t RecordedProcess(const fs::path& recorded)
{
    std::string line;
    if (!WaitUntil([&] { return !(line = ReadFile(recorded)).empty() && line.ends_with('\n'); })) return -1;
    const pid_t pid = std::stoi(line);
    EXPECT_EQ(line, std::to_string(pid) + " " + std::to_string(pid) + "\n");
    return pid;
}

// Records the process number and group, then streams.
constexpr std::string_view kRecordAndStream =
    "echo \"$$ $(cut -d' ' -f5 /proc/$$/stat)\" > \"$d/process\"\n"
    "printf x > \"$x.b\"; printf 001 > \"$x.c\"\n";

class ExtensionStopTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(site.ready()); }

    // Starts a chunked answer, takes its first bytes and leaves.
    void VisitAndLeave(std::string_view target)
    {
        LoopbackClient visitor(site.server.port());
        ASSERT_TRUE(visitor.Send(Get(target)));
        EXPECT_TRUE(visitor.ReadAll(1000ms).starts_with("HTTP/1.1 200 OK\r\n"));
    }

    ExtensionSite site{kShortRoutes};
};

TEST_F(ExtensionStopTest, AVisitorWhoLeavesAChunkedAnswerMakesTheStopFileAppear)
{
    site.programs.Add("stream.sh",
                      ShellProgram(std::string(kRecordAndStream) +
                                   "while [ ! -s \"$x.s\" ]; do printf x >> \"$x.b\"; sleep 0.1; done\n"
                                   "stat -c %a \"$x.s\" > \"$d/stop-mode\"\n"
                                   "od -An -tu1 \"$x.s\" | tr -d ' \\n' > \"$d/stop-byte\"\n"));
    VisitAndLeave("/Extension/stream.sh");
    const pid_t pid = RecordedProcess(site.programs.path / "process");
    ASSERT_TRUE(site.ExchangeFilesGo());
    EXPECT_EQ(ReadFile(site.programs.path / "stop-mode"), "600\n");
    EXPECT_EQ(ReadFile(site.programs.path / "stop-byte"), "0");
    EXPECT_TRUE(Reaped(pid));
    EXPECT_TRUE(GroupEnds(pid));
}

TEST_F(ExtensionStopTest, AProgramThatIgnoresTheStopFileAndSigtermIsKilledWithItsGroup)
{
    site.programs.Add("stubborn.sh", ShellProgram("trap '' TERM\n" + std::string(kRecordAndStream) +
                                                  "while :; do sleep 0.1; done\n"));
    const auto start = std::chrono::steady_clock::now();
    VisitAndLeave("/Extension/stubborn.sh");
    const pid_t pid = RecordedProcess(site.programs.path / "process");
    ASSERT_TRUE(site.ExchangeFilesGo());
    EXPECT_GE(std::chrono::steady_clock::now() - start, kShortLimits.stop_grace + kShortLimits.kill_grace);
    EXPECT_TRUE(Reaped(pid));
    EXPECT_TRUE(GroupEnds(pid));
}

TEST_F(ExtensionStopTest, AProgramThatNeverAnswersIsGivenUpAfterTheStallLimit)
{
    site.programs.Add("mute.sh", ShellProgram("echo \"$$ $(cut -d' ' -f5 /proc/$$/stat)\" > \"$d/process\"\n"
                                              "sleep 1000\n"));
    EXPECT_EQ(StatusLineOf(site.Answer(Get("/Extension/mute.sh"))), "HTTP/1.1 504");
    EXPECT_TRUE(site.ExchangeFilesGo());
    const pid_t pid = RecordedProcess(site.programs.path / "process");
    EXPECT_TRUE(Reaped(pid));
    EXPECT_TRUE(GroupEnds(pid));
}

TEST_F(ExtensionStopTest, AProgramThatRunsOnAfterItsAnswerIsAskedToStopAfterTheStallLimit)
{
    site.programs.Add("lingering.sh", ShellProgram("printf done > \"$x.b\"; printf 000 > \"$x.c\"\n"
                                                   "while [ ! -e \"$x.s\" ]; do sleep 0.1; done\n"
                                                   "touch \"$d/stopped\"\n"));
    // The visitor has the whole answer at once; the program is asked to stop a stall limit later.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(BodyOf(site.Answer(Get("/Extension/lingering.sh"))), "done");
    EXPECT_LT(std::chrono::steady_clock::now() - start, kShortLimits.stall_limit);
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(site.programs.path / "stopped"); }));
    EXPECT_TRUE(site.ExchangeFilesGo());
}

}  // namespace
}  // namespace vireo::testing
