// One Vireo per settings store: the lock beside the store and the window's show-yourself socket.
#include "platform/instance_lock.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>

#include <future>

#include "support/test_home.h"

namespace vireo {
namespace {

using testing::TestHome;

TEST(InstanceLockTest, AWindowIsAloneAndServersShare)
{
    TestHome home;
    EXPECT_FALSE(FindInstanceHolder());
    {
        std::expected<UniqueFd, InstanceHolder> first = TakeInstanceLock(InstanceKind::Headless);
        ASSERT_TRUE(first);
        EXPECT_TRUE(TakeInstanceLock(InstanceKind::Headless));
        EXPECT_EQ(TakeInstanceLock(InstanceKind::Window).error(), InstanceHolder::Headless);
        EXPECT_EQ(FindInstanceHolder(), InstanceHolder::Headless);
    }
    {
        std::expected<UniqueFd, InstanceHolder> window = TakeInstanceLock(InstanceKind::Window);
        ASSERT_TRUE(window);
        EXPECT_EQ(TakeInstanceLock(InstanceKind::Window).error(), InstanceHolder::Window);
        EXPECT_EQ(TakeInstanceLock(InstanceKind::Headless).error(), InstanceHolder::Window);
        EXPECT_EQ(FindInstanceHolder(), InstanceHolder::Window);
    }
    // Closing the descriptor lets go, as the end of the process does.
    EXPECT_FALSE(FindInstanceHolder());
    EXPECT_TRUE(TakeInstanceLock(InstanceKind::Window));
    EXPECT_EQ(InstanceLockPath(), home.path() / ".config/quillmark/vireo/vireo.lock");
}

TEST(InstanceLockTest, StoresAreIndependent)
{
    TestHome home;
    std::expected<UniqueFd, InstanceHolder> here = TakeInstanceLock(InstanceKind::Window);
    ASSERT_TRUE(here);
    UniqueFd listener = ListenForShowRequests();
    ASSERT_TRUE(listener);

    ::setenv("XDG_CONFIG_HOME", (home.path() / "other").c_str(), 1);
    EXPECT_FALSE(FindInstanceHolder());
    EXPECT_TRUE(TakeInstanceLock(InstanceKind::Window));
    EXPECT_FALSE(AskWindowToShow());  // no window on this store
    UniqueFd other_listener = ListenForShowRequests();
    EXPECT_TRUE(other_listener);
    ::setenv("XDG_CONFIG_HOME", (home.path() / ".config").c_str(), 1);
}

TEST(InstanceLockTest, ASecondStartAsksTheWindowToShow)
{
    TestHome home;
    EXPECT_FALSE(AskWindowToShow());
    UniqueFd listener = ListenForShowRequests();
    ASSERT_TRUE(listener);
    // The name is the store's: a second window cannot listen on it too.
    EXPECT_FALSE(ListenForShowRequests());

    std::future<bool> asked = std::async(std::launch::async, AskWindowToShow);
    pollfd wait{listener.get(), POLLIN, 0};
    ASSERT_EQ(::poll(&wait, 1, 5000), 1);
    EXPECT_TRUE(AcceptShowRequest(listener.get()));
    EXPECT_TRUE(asked.get());
    // Nothing waiting: nothing accepted, and no wait.
    EXPECT_FALSE(AcceptShowRequest(listener.get()));

    listener.reset();
    EXPECT_FALSE(AskWindowToShow());
}

}  // namespace
}  // namespace vireo
