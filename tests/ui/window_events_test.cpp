// Notices from the server's threads reach the window's thread: one by one for the server and the
// services, gathered for the clients, and bounded while the window is busy.
#include "ui/window_events.h"

#include <gtest/gtest.h>

#include <QTest>
#include <thread>

#include "ui/qt_test_suite.h"

namespace vireo::testing {
namespace {

class WindowEventsTest : public QtTestSuite {
protected:
    QObject window;
    std::vector<ServerNotice> server_notices;
    std::vector<std::vector<ClientNoticeRecord>> batches;
    std::shared_ptr<WindowEvents> events = std::make_shared<WindowEvents>(
        &window, WindowEvents::Receivers{
                     [this](ServerNotice notice) { server_notices.push_back(notice); }, [](ServiceNotice) {},
                     [this](const std::vector<ClientNoticeRecord>& batch) { batches.push_back(batch); }});
};

ClientEntry Client(int socket)
{
    ClientEntry entry;
    entry.socket = socket;
    return entry;
}

TEST_F(WindowEventsTest, ClientNoticesArriveTogetherOnTheWindowsThread)
{
    std::thread([&] {
        events->OnServerNotice(ServerNotice::Listening);
        for (int i = 0; i < 100; ++i) events->OnClientNotice(ClientNotice::Connected, Client(i));
    }).join();
    EXPECT_TRUE(server_notices.empty());  // nothing runs until the window's thread takes it
    ASSERT_TRUE(QTest::qWaitFor([&] { return !batches.empty(); }, 5000));
    EXPECT_EQ(server_notices, (std::vector<ServerNotice>{ServerNotice::Listening}));
    ASSERT_EQ(batches.size(), 1u);
    ASSERT_EQ(batches[0].size(), 100u);
    EXPECT_EQ(batches[0][99].client.socket, 99);
}

TEST_F(WindowEventsTest, ABusyWindowDropsProgressFirstAndHoldsABoundedQueue)
{
    const std::size_t limit = WindowEvents::kPendingLimit;
    for (std::size_t i = 0; i < limit; ++i) events->OnClientNotice(ClientNotice::StateChanged, Client(1));
    for (int i = 0; i < 5; ++i) events->OnClientNotice(ClientNotice::Progress, Client(1));
    for (std::size_t i = 0; i < 2 * limit; ++i) events->OnClientNotice(ClientNotice::Closed, Client(2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !batches.empty(); }, 5000));
    ASSERT_EQ(batches[0].size(), 2 * limit);
    for (const ClientNoticeRecord& record : batches[0]) EXPECT_NE(record.notice, ClientNotice::Progress);
}

TEST_F(WindowEventsTest, NothingReachesADetachedWindow)
{
    events->Detach();
    events->OnServerNotice(ServerNotice::Stopped);
    events->OnClientNotice(ClientNotice::Connected, Client(1));
    QTest::qWait(300);
    EXPECT_TRUE(server_notices.empty());
    EXPECT_TRUE(batches.empty());
}

}  // namespace
}  // namespace vireo::testing
