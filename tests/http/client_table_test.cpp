#include "http/client_table.h"

#include <gtest/gtest.h>

#include "http/growable_buffer.h"

namespace vireo {
namespace {

TEST(GrowableBufferTest, GrowsInWholeGranulesAndKeepsTheTailZero)
{
    GrowableBuffer buffer;
    ASSERT_NE(buffer.Reserve(8192), nullptr);
    EXPECT_EQ(buffer.capacity(), 16384u);  // (8192 + 8192) / 8192 granules
    ASSERT_TRUE(buffer.Append(std::string(100, 'a')));
    ASSERT_NE(buffer.Reserve(16283), nullptr);
    EXPECT_EQ(buffer.capacity(), 16384u) << "free space strictly greater than the request: no growth";
    ASSERT_NE(buffer.Reserve(16284), nullptr);
    EXPECT_EQ(buffer.capacity(), 32768u);  // (16384 + 16284 + 8192) / 8192 whole granules
    EXPECT_EQ(buffer.view(), std::string(100, 'a'));

    buffer.Consume(40);
    EXPECT_EQ(buffer.view(), std::string(60, 'a'));
    EXPECT_EQ(buffer.data()[60], '\0');
    EXPECT_EQ(buffer.data()[99], '\0');
    EXPECT_EQ(buffer.Clear(), 60u);
    EXPECT_EQ(buffer.data()[0], '\0');
    buffer.Append("xy");
    buffer.Consume(5);
    EXPECT_TRUE(buffer.empty());
}

class CountingEvents final : public ServerEvents {
public:
    void OnServerNotice(ServerNotice) override {}
    void OnClientNotice(ClientNotice notice, const ClientEntry&) override
    {
        ++counts[static_cast<int>(notice) - 1000];
    }
    int counts[4] = {};
};

TEST(ClientTableTest, ReusesClosedRowsAndRowsOfTheSameSocket)
{
    auto events = std::make_shared<CountingEvents>();
    ClientTable table(events);
    for (int socket = 0; socket < 32; ++socket) table.Register(socket, {});
    EXPECT_EQ(table.Capacity(), 32u);
    table.MarkClosed(5);
    table.Register(100, {});
    EXPECT_EQ(table.Capacity(), 32u) << "the closed row is taken before the table grows";
    table.Register(7, {{10, 0, 0, 1}, 80});
    EXPECT_EQ(table.Capacity(), 32u) << "a reused socket number replaces its old row";
    EXPECT_EQ(table.Snapshot(7)->peer.address, (Ipv4Address{10, 0, 0, 1}));
    table.Register(101, {});
    EXPECT_EQ(table.Capacity(), 64u);
    EXPECT_EQ(events->counts[0], 35);
}

TEST(ClientTableTest, UpdatesOnlyKnownSocketsAndCutsLongUrls)
{
    auto events = std::make_shared<CountingEvents>();
    ClientTable table(events);
    table.Register(3, {});
    table.SetState(9, ClientState::Download, "/x");
    table.SetProgress({9, 10, 5});
    table.MarkClosed(9);
    EXPECT_EQ(events->counts[1] + events->counts[2] + events->counts[3], 0) << "unknown sockets post nothing";

    // 258 ASCII bytes then a two-byte letter: the cut at 259 bytes must not split it.
    std::string url = std::string(258, 'u') + "\xc3\xa9" + "tail";
    table.SetState(3, ClientState::Download, url);
    table.SetProgress({3, 1000, 400});
    std::optional<ClientEntry> entry = table.Snapshot(3);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->url, std::string(258, 'u'));
    EXPECT_EQ(entry->state, ClientState::Download);
    EXPECT_EQ(entry->total, 1000u);
    EXPECT_EQ(entry->sent, 400u);
    EXPECT_EQ(entry->closed_at, SystemTime{});
    table.MarkClosed(3);
    EXPECT_NE(table.Snapshot(3)->closed_at, SystemTime{});
    EXPECT_EQ(events->counts[1], 1);
    EXPECT_EQ(events->counts[2], 1);
    EXPECT_EQ(events->counts[3], 1);
}

}  // namespace
}  // namespace vireo
