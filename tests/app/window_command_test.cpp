// The desktop program as a user starts it: one per settings store, found again by a second start.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include "platform/instance_lock.h"
#include "settings/settings.h"
#include "support/child_process.h"
#include "support/loopback.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

class WindowCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ASSERT_TRUE(SetListenIp({127, 0, 0, 1}));
        ASSERT_TRUE(SetListenPort(FreePort()));
    }

    // Waits until a window holds the store.
    static bool WindowRuns()
    {
        for (int i = 0; i < 100; ++i) {
            if (FindInstanceHolder() == InstanceHolder::Window) return true;
            ::usleep(50 * 1000);
        }
        return false;
    }

    TestHome home;
};

TEST_F(WindowCommandTest, ASecondStartFindsTheFirstAndEnds)
{
    ChildProcess first({VIREO_BINARY, "AUTO"});
    ASSERT_TRUE(WindowRuns());
    const ProgramResult second = RunProgram({VIREO_BINARY});
    EXPECT_EQ(second.exit_code, 0) << second.output;
    EXPECT_EQ(second.output, "");

    // The end of the session stops the server and the program.
    first.Signal(SIGTERM);
    EXPECT_EQ(first.WaitForExit(std::chrono::seconds(10)), 0);
    EXPECT_FALSE(FindInstanceHolder());
}

TEST_F(WindowCommandTest, RefusesToStartBesideAServerWithoutWindow)
{
    ChildProcess serve({VIREO_BINARY, "serve", "--port", "0"});
    ASSERT_TRUE(serve.ReadLine());
    const ProgramResult window = RunProgram({VIREO_BINARY, "auto"});
    EXPECT_EQ(window.exit_code, 1);
    EXPECT_EQ(window.output,
              "vireo: Vireo runs without a window (vireo serve) on these settings; stop it first.\n");
    serve.Signal(SIGTERM);
    EXPECT_EQ(serve.WaitForExit(std::chrono::seconds(5)), 0);
}

TEST_F(WindowCommandTest, TwoStoresRunSideBySide)
{
    ChildProcess first({VIREO_BINARY, "auto"});
    ASSERT_TRUE(WindowRuns());
    const std::string config = home.path() / "second-config";
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    ASSERT_TRUE(SetListenIp({127, 0, 0, 1}));
    ASSERT_TRUE(SetListenPort(FreePort()));
    ChildProcess second({VIREO_BINARY, "auto"});
    EXPECT_TRUE(WindowRuns());
    second.Signal(SIGTERM);
    EXPECT_EQ(second.WaitForExit(std::chrono::seconds(10)), 0);
    ::setenv("XDG_CONFIG_HOME", (home.path() / ".config").c_str(), 1);
    first.Signal(SIGTERM);
    EXPECT_EQ(first.WaitForExit(std::chrono::seconds(10)), 0);
}

// The end of the session must end the program whenever it comes: while the server is starting on a
// port that is taken, and once the message about it waits for the user.
TEST_F(WindowCommandTest, TheSessionsEndEndsTheProgramWhileAStartFails)
{
    TestServer holder;
    ASSERT_TRUE(SetListenPort(holder.port()));
    for (int wait_ms : {0, 1000}) {
        ChildProcess window({VIREO_BINARY, "auto"});
        ASSERT_TRUE(WindowRuns());
        ::usleep(wait_ms * 1000);
        window.Signal(SIGTERM);
        EXPECT_EQ(window.WaitForExit(std::chrono::seconds(10)), 0) << wait_ms;
    }
}

}  // namespace
}  // namespace vireo::testing
