// The client list's rows: newest first, closed rows let go from the bottom, texts as shown.
#include "ui/client_rows.h"

#include <gtest/gtest.h>

namespace vireo {
namespace {

TEST(ClientRowsTest, RowsFollowTheirConnection)
{
    ClientRows rows;
    const SystemTime when = std::chrono::system_clock::now();
    rows.Connected(7, when, {10, 0, 0, 2});
    ASSERT_EQ(rows.rows().size(), 1u);
    const ClientRow& row = rows.rows().front();
    EXPECT_EQ(row.ip, "10.0.0.2");
    EXPECT_EQ(row.action, "Connect");
    EXPECT_EQ(row.time.size(), 19u);
    EXPECT_EQ(row.time[4], '-');
    EXPECT_EQ(row.time[10], ' ');

    rows.StateChanged(7, ClientState::Download, "/Music/a b.mp3");
    rows.Progress(7, 1234567, 9876543210);
    EXPECT_EQ(row.action, "Download");
    EXPECT_EQ(row.object, "/Music/a b.mp3");
    EXPECT_EQ(row.progress, "1,234,567/9,876,543,210");
    rows.StateChanged(7, ClientState::Refused, "/x");
    EXPECT_EQ(row.action, "Bad Request");
    rows.Closed(7);
    EXPECT_EQ(row.action, "Closed");
    EXPECT_EQ(row.socket, 0);

    // A later connection on the same descriptor number is a row of its own.
    rows.Connected(7, when, {10, 0, 0, 3});
    rows.StateChanged(7, ClientState::Upload, "/up");
    EXPECT_EQ(rows.rows()[0].action, "Upload");
    EXPECT_EQ(rows.rows()[1].action, "Closed");
    EXPECT_EQ(rows.rows()[1].object, "/x");
}

TEST(ClientRowsTest, ClosedRowsGoFromTheBottomPastNine)
{
    ClientRows rows;
    const SystemTime when = std::chrono::system_clock::now();
    // Eleven connections, the first and the fourth closed.
    for (int socket = 1; socket <= 11; ++socket) rows.Connected(socket, when, {10, 0, 0, 1});
    rows.Closed(1);
    rows.Closed(4);
    rows.Connected(12, when, {10, 0, 0, 1});
    // Two closed rows went, oldest first: eleven minus two, then the new one.
    ASSERT_EQ(rows.rows().size(), 10u);
    EXPECT_EQ(rows.rows().front().socket, 12);
    for (const ClientRow& row : rows.rows()) EXPECT_NE(row.action, "Closed");

    // With no closed row left, open rows are never dropped.
    rows.Connected(13, when, {10, 0, 0, 1});
    EXPECT_EQ(rows.rows().size(), 11u);
    rows.Clear();
    EXPECT_TRUE(rows.rows().empty());
}

}  // namespace
}  // namespace vireo
