// Starting programs, and reaping them however their object goes. (The extension tests show the
// groups, the signals and the descriptors a started program has.)
#include "platform/spawned_process.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>

namespace vireo {
namespace {

bool NoProcess(pid_t pid)
{
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

TEST(SpawnedProcess, AProgramThatCannotStartGivesTheReason)
{
    const std::expected<SpawnedProcess, int> missing = SpawnedProcess::Start({"/nonexistent/program"}, false);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), ENOENT);
    EXPECT_EQ(SpawnedProcess::Start({"no-such-interpreter-here"}, true).error(), ENOENT);
    EXPECT_EQ(SpawnedProcess::Start({}, false).error(), EINVAL);
}

TEST(SpawnedProcess, AProgramStillRunningWhenItsObjectGoesIsKilledAndReaped)
{
    pid_t pid = -1;
    {
        std::expected<SpawnedProcess, int> program = SpawnedProcess::Start({"sleep", "1000"}, true);
        ASSERT_TRUE(program);
        pid = program->pid();
        // Moving the process on leaves nothing to the object it came from.
        SpawnedProcess moved = std::move(*program);
        EXPECT_FALSE(moved.Ended());
    }
    EXPECT_TRUE(NoProcess(pid));
}

}  // namespace
}  // namespace vireo
