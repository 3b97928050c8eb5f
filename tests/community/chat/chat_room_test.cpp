// The chat room over real sockets: its pages, joining, talking, leaving and stopping.
#include "community/chat/chat_room.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/times.h>
#include <unistd.h>

#include <set>
#include <thread>

#include "settings/address_list.h"
#include "settings/settings.h"
#include "support/chat_client.h"
#include "support/loopback.h"

namespace vireo::testing {
namespace {

constexpr std::string_view kNotOpen = "<td align=\"center\">Chat Room Not Open</td>";

std::string Get(std::uint16_t port, std::string_view path)
{
    return MaskDate(Exchange(port, "GET " + std::string(path) + " HTTP/1.1\r\n\r\n"));
}

std::string Body(std::string_view answer)
{
    const std::size_t end = answer.find("\r\n\r\n");
    return end == std::string_view::npos ? std::string() : std::string(answer.substr(end + 4));
}

// A member message chunk as every member sees it.
std::string MessagePattern(std::string_view speaker, std::string_view html)
{
    return "<b>" + std::string(speaker) + ": </b>" + std::string(html) + "</p>";
}

class ChatRoomTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listening());
        StartRoom(16);
    }
    void TearDown() override { SiteChatRoom().StopAndWait(); }

    void StartRoom(std::uint32_t capacity)
    {
        ASSERT_TRUE(SiteChatRoom().Start(room_events, capacity));
        ASSERT_TRUE(room_events->WaitForServiceNotices(ServiceNotice::ChatStarted, ++starts));
    }

    // A member that has joined and been sent its first list reload.
    std::unique_ptr<ChatClient> Join(const Ipv4Address& from = {127, 0, 0, 1})
    {
        auto member = std::make_unique<ChatClient>(server.port(), from);
        EXPECT_TRUE(member->joined());
        EXPECT_TRUE(member->WaitForListReloads(1));
        return member;
    }

    TestServer server;
    std::shared_ptr<RecordingEvents> room_events = std::make_shared<RecordingEvents>();
    std::size_t starts = 0;
};

TEST_F(ChatRoomTest, ClosedRoomAnswersEveryPathWithItsNotice)
{
    SiteChatRoom().StopAndWait();
    EXPECT_TRUE(room_events->WaitForServiceNotices(ServiceNotice::ChatEnded, 1));
    const std::string expected =
        "HTTP/1.1 200 OK\r\nDate: *\r\nServer: Vireo 6.5 (https://quillmark.example/vireo)\r\n"
        "Connection: close\r\nContent-Type: text/html\r\nContent-Length: 444\r\n\r\n"
        "<HTML>\r\n<HEAD>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
        "<title>Vireo Chat Room</title>\r\n</HEAD>\r\n"
        "<BODY bgColor=\"#000000\" text=\"#ffffff\" link=\"#ff0000\" vlink=\"#ff0000\">\r\n"
        "<h3><a href=\"https://quillmark.example/vireo\" target=\"_blank\">Vireo</a> Chat Room</h3>\r\n"
        "<hr size=1 color=\"#ffff00\">\r\n<table border=\"0\" width=\"100%\" height=\"70%\">\r\n"
        "<tr>\r\n<td align=\"center\">Chat Room Not Open</td>\r\n</tr>\r\n</table>\r\n</BODY>\r\n</HTML>";
    for (std::string_view path : {"/Webchat/", "/WebChat/list.htm", "/webchat/output.htm?id=5", "/Webchat/x"})
        EXPECT_EQ(Get(server.port(), path), expected) << path;
    EXPECT_NE(Exchange(server.port(), SpeechPost("id=5", "to=All&speechtext=x")).find(kNotOpen),
              std::string::npos);
    EXPECT_EQ(Get(server.port(), "/").find("The Chat Room"), std::string::npos);
}

TEST_F(ChatRoomTest, HomePageLinksTheRunningRoom)
{
    EXPECT_NE(Get(server.port(), "/").find("The Chat Room"), std::string::npos);
}

TEST_F(ChatRoomTest, FramesetGivesEachVisitorAnIdOfItsOwn)
{
    const std::string first = Get(server.port(), "/Webchat/");
    const std::uint32_t id = FramesetMemberId(first);
    ASSERT_NE(id, 0u);
    const std::string n = std::to_string(id);
    const std::string page =
        "<HTML>\r\n<script LANGUAGE=JAVASCRIPT>var inputready=false;</SCRIPT>\r\n"
        "<frameset framespacing=\"2\" frameborder=\"yes\" cols=\"25%,*\">\r\n<frame src=\"list.htm\" "
        "name=\"list\">\r\n"
        "<frameset rows=\"70%,*\">\r\n<frame src=\"output.htm?id=" +
        n + "\" name=\"output\" scrolling=\"auto\">\r\n<frame src=\"input.htm?id=" + n +
        "\" name=\"input\" scrolling=\"no\">\r\n</frameset>\r\n</frameset>\r\n</HTML>";
    EXPECT_EQ(first,
              "HTTP/1.1 200 OK\r\nDate: *\r\nServer: Vireo 6.5 (https://quillmark.example/vireo)\r\n"
              "Connection: close\r\nContent-Type: text/html\r\nContent-Length: " +
                  std::to_string(page.size()) + "\r\n\r\n" + page);
    EXPECT_NE(FramesetMemberId(Get(server.port(), "/WebChat")), id);
    // HEAD gets the same head and no body.
    const std::string head = MaskDate(Exchange(server.port(), "HEAD /Webchat/ HTTP/1.1\r\n\r\n"));
    EXPECT_TRUE(head.starts_with("HTTP/1.1 200 OK\r\n"));
    EXPECT_TRUE(head.ends_with("\r\n\r\n"));
    EXPECT_NE(head.find("Content-Length: "), std::string::npos);
}

TEST_F(ChatRoomTest, OtherPagesAndBadIdsAreForbidden)
{
    for (std::string_view path :
         {"/Webchat/other.htm", "/Webchat/output.htm", "/Webchat/output.htm?id=0", "/Webchat/output.htm?id=x",
          "/Webchat/output.htm?x=1", "/Webchat/sub/list.htm"}) {
        EXPECT_TRUE(Get(server.port(), path).starts_with("HTTP/1.1 403 Forbidden\r\n")) << path;
    }
    EXPECT_TRUE(Exchange(server.port(), SpeechPost("x=1", "to=All&speechtext=x"))
                    .starts_with("HTTP/1.1 403 Forbidden\r\n"));
    EXPECT_TRUE(Exchange(server.port(), SpeechPost("id=0", "to=All&speechtext=x"))
                    .starts_with("HTTP/1.1 403 Forbidden\r\n"));
}

TEST_F(ChatRoomTest, InputAndListPages)
{
    const std::string input = Body(Get(server.port(), "/WEBCHAT/INPUT.HTM?id=3"));
    EXPECT_NE(input.find("<form name=\"fm\" METHOD=\"POST\">"), std::string::npos);
    EXPECT_NE(input.find("<input type=\"hidden\" name=\"to\" value=\"All\">"), std::string::npos);
    EXPECT_NE(input.find("name=\"speechtext\" id=\"speech\""), std::string::npos);
    EXPECT_NE(input.find("parent.inputready=true"), std::string::npos);

    EXPECT_TRUE(
        Body(Get(server.port(), "/Webchat/list.htm"))
            .ends_with("<tr><td onclick=\"Hilit(this);\">All</td></tr>\r\n</table>\r\n</BODY>\r\n</HTML>"));
    auto a = Join();
    auto b = Join({127, 0, 0, 2});
    const std::string list = Body(Get(server.port(), "/Webchat/list.htm"));
    EXPECT_TRUE(
        list.ends_with("<tr><td onclick=\"Hilit(this);\">All</td></tr>\r\n"
                       "<tr><td onclick=\"Hilit(this);\">Guest" +
                       std::to_string(a->id()) + "</td></tr>\r\n<tr><td onclick=\"Hilit(this);\">Guest" +
                       std::to_string(b->id()) + "</td></tr>\r\n</table>\r\n</BODY>\r\n</HTML>"))
        << list;
    EXPECT_NE(list.find("parent.input.fm.to.value=cel.innerText;"), std::string::npos);
}

TEST_F(ChatRoomTest, JoinSendsHeadTitleWelcomeAndListReload)
{
    ASSERT_TRUE(SetWebChatWelcomeMsg("  Be <nice> & see http://a.example  "));
    auto member = Join();
    const std::string& all = member->received();
    EXPECT_TRUE(
        MaskDate(all).starts_with("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                                  "Server: Vireo 6.5 (https://quillmark.example/vireo)\r\n"
                                  "Transfer-Encoding: chunked\r\nDate: *\r\n\r\n"));
    const std::vector<std::string> chunks = member->Chunks();
    ASSERT_EQ(chunks.size(), 4u);
    EXPECT_TRUE(chunks[0].starts_with("<HTML>\r\n<HEAD>\r\n"));
    EXPECT_NE(
        chunks[0].find("Welcome to <a href=\"https://quillmark.example/vireo\" target=\"_blank\">Vireo</a> "
                       "Chat Room!"),
        std::string::npos);
    EXPECT_NE(chunks[0].find("<b>Block Member: </b><font color=\"#FFA500\">!BLOCK</font> member's name"),
              std::string::npos);
    EXPECT_EQ(chunks[1], "<script LANGUAGE=JAVASCRIPT>parent.document.title=\"Guest" +
                             std::to_string(member->id()) + " --- Vireo Chat Room\";</SCRIPT>\r\n");
    EXPECT_EQ(chunks[2],
              "<p style=\"color:#FFA500\">Be &lt;nice&gt; &amp; see <a href=\"http://a.example\" "
              "target=\"_blank\">http://a.example</a></p>\r\n<hr size=1 color=\"#ffff00\">\r\n");
    EXPECT_EQ(chunks[3], kListReload);

    // A second member's join reloads the first member's list too; nothing announces it.
    auto second = Join({127, 0, 0, 2});
    EXPECT_TRUE(member->WaitForListReloads(2));
    EXPECT_EQ(member->Chunks().size(), 5u);
}

TEST_F(ChatRoomTest, PublicAndPrivateMessages)
{
    auto a = Join();
    auto b = Join({127, 0, 0, 2});
    auto c = Join({127, 0, 0, 3});
    const std::string name_a = "Guest" + std::to_string(a->id());
    const std::string name_b = "Guest" + std::to_string(b->id());

    EXPECT_TRUE(a->Say("hello <all>").starts_with("HTTP/1.1 204 No Content\r\n"));
    for (ChatClient* member : {a.get(), b.get(), c.get()})
        EXPECT_TRUE(member->WaitFor(MessagePattern(name_a, "hello &lt;all&gt;")));

    b->Say("just for you", name_a);
    const std::string private_line = MessagePattern(name_b + " (Private to " + name_a + ")", "just for you");
    EXPECT_TRUE(a->WaitFor(private_line));
    EXPECT_TRUE(b->WaitFor(private_line));
    // Words for a member who has gone, or changed names, go to nobody: the sender is told.
    c->Say("to nobody", "Nobody<x>");
    EXPECT_TRUE(
        c->WaitFor("<b style=\"color:#ff0000\">Vireo: </b>[Nobody&lt;x&gt;] is not in the chat room.</p>"));
    // "all" in any case means everybody.
    c->Say("to all", "aLL");
    EXPECT_TRUE(c->WaitFor("to all</p>"));
    EXPECT_TRUE(a->WaitFor("to all</p>"));
    EXPECT_EQ(c->received().find("just for you"), std::string::npos);
    for (ChatClient* member : {a.get(), b.get(), c.get()})
        EXPECT_EQ(member->received().find("to nobody"), std::string::npos);

    // Message element ids never repeat, however fast the messages come.
    const std::string& seen = a->received();
    std::set<std::string> ids;
    std::size_t count = 0;
    for (std::size_t at = seen.find("<p id=\"t"); at != std::string::npos;
         at = seen.find("<p id=\"t", at + 1)) {
        ids.insert(seen.substr(at, seen.find('"', at + 7) - at));
        ++count;
    }
    EXPECT_EQ(ids.size(), count);
    EXPECT_EQ(count, 3u);
}

TEST_F(ChatRoomTest, SpeechIsTakenOnlyFromTheMembersOwnAddress)
{
    auto a = Join();
    // Someone who learnt the id speaks from another address: refused, and nothing reaches the room.
    LoopbackClient stranger(server.port(), {127, 0, 0, 9});
    ASSERT_TRUE(stranger.Send(SpeechPost("id=" + std::to_string(a->id()), "to=All&speechtext=impostor")));
    const std::string answer = stranger.ReadAll();
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 200 OK\r\n"));
    EXPECT_NE(answer.find("<td align=\"center\">You are not in the chat room.</td>"), std::string::npos);
    const std::string unknown = Exchange(server.port(), SpeechPost("id=12345", "to=All&speechtext=x"));
    EXPECT_NE(unknown.find("You are not in the chat room."), std::string::npos);

    // Posts that say nothing are answered 204 and ignored.
    const std::string query = "id=" + std::to_string(a->id());
    for (const std::string& request :
         {std::string("POST /Webchat/?" + query +
                      " HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n\r\n"),
          std::string("POST /Webchat/?" + query +
                      " HTTP/1.1\r\nContent-Type: text/plain\r\nContent-Length: 20\r\n\r\n"
                      "to=All&speechtext=x1"),
          SpeechPost(query, "speechtext=no+recipient"), SpeechPost(query, "to=All")}) {
        EXPECT_TRUE(
            MaskDate(Exchange(server.port(), request)).starts_with("HTTP/1.1 204 No Content\r\nDate: *\r\n"))
            << request;
    }
    a->Say("real");
    ASSERT_TRUE(a->WaitFor("real</p>"));
    for (std::string_view ignored : {"impostor", "no recipient", "x1"})
        EXPECT_EQ(a->received().find(ignored), std::string::npos) << ignored;
}

TEST_F(ChatRoomTest, LongPostIsReadUpTo64KiB)
{
    auto a = Join();
    std::string body = "to=All&speechtext=";
    body += std::string(65536 - body.size() - 3, 'x') + "END" + "MORE";
    EXPECT_TRUE(MaskDate(Exchange(server.port(), SpeechPost("id=" + std::to_string(a->id()), body)))
                    .starts_with("HTTP/1.1 204 No Content\r\n"));
    EXPECT_TRUE(a->WaitFor("xEND</p>"));
    EXPECT_EQ(a->received().find("MORE"), std::string::npos);
}

TEST_F(ChatRoomTest, FullRoomAndLeaving)
{
    SiteChatRoom().StopAndWait();
    StartRoom(1);  // too small: a room holds two at least
    auto a = Join();
    auto b = Join({127, 0, 0, 2});
    const std::string full = Get(server.port(), "/Webchat/output.htm?id=77");
    EXPECT_NE(full.find("<td align=\"center\">Chat Room Full</td>"), std::string::npos);
    EXPECT_EQ(SiteChatRoom().Members().size(), 2u);

    // A closed browser window is noticed, and the others reload their list.
    b->Leave();
    EXPECT_TRUE(a->WaitForListReloads(3));
    for (int i = 0; i < 100 && SiteChatRoom().Members().size() != 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(SiteChatRoom().Members().size(), 1u);
    auto c = Join({127, 0, 0, 3});
    EXPECT_EQ(SiteChatRoom().Members().size(), 2u);
}

TEST_F(ChatRoomTest, StopEndsEveryPageWithoutALastChunk)
{
    auto a = Join();
    auto b = Join({127, 0, 0, 2});
    a->Say("bye");
    ASSERT_TRUE(b->WaitFor("bye</p>"));
    SiteChatRoom().Stop();
    EXPECT_TRUE(a->WaitForClose());
    EXPECT_TRUE(b->WaitForClose());
    EXPECT_TRUE(room_events->WaitForServiceNotices(ServiceNotice::ChatEnded, 1));
    EXPECT_FALSE(SiteChatRoom().IsRunning());
    EXPECT_FALSE(b->received().ends_with("0\r\n\r\n"));
    EXPECT_TRUE(SiteChatRoom().Members().empty());

    // A new start is a new, empty room.
    StartRoom(16);
    EXPECT_TRUE(SiteChatRoom().Members().empty());
    auto c = Join();
    EXPECT_EQ(SiteChatRoom().Members().size(), 1u);
}

// A member socket the test holds the far end of, joined through the room's own interface.
struct PairMember {
    int far_end = -1;
    std::uint32_t id = 0;
    ~PairMember()
    {
        if (far_end >= 0) ::close(far_end);
    }
};

void JoinPair(PairMember& member, std::uint32_t id, bool host, int send_buffer = 0)
{
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends), 0);
    if (send_buffer > 0) ::setsockopt(ends[0], SOL_SOCKET, SO_SNDBUF, &send_buffer, sizeof send_buffer);
    auto socket = std::make_unique<StreamSocket>();
    socket->Attach(ends[0]);
    member.far_end = ends[1];
    member.id = id;
    SiteChatRoom().PostJoin({id, std::move(socket), {192, 0, 2, 7}, host});
}

double ProcessCpuSeconds()
{
    tms times_now{};
    ::times(&times_now);
    return static_cast<double>(times_now.tms_utime + times_now.tms_stime) /
           static_cast<double>(::sysconf(_SC_CLK_TCK));
}

TEST_F(ChatRoomTest, MemberWhoStopsReadingCostsNothingAndIsDroppedPastTheLimit)
{
    auto reader = Join();
    PairMember stalled;
    JoinPair(stalled, 424242, false, 4096);
    ASSERT_TRUE(reader->WaitForListReloads(2));

    // Enough talk to fill the stalled member's socket, but not its queue limit.
    const std::string line(2000, 'w');
    for (int i = 0; i < 50; ++i) SiteChatRoom().PostSpeech({reader->id(), "All", line});
    SiteChatRoom().PostSpeech({reader->id(), "All", "end of talk"});
    ASSERT_TRUE(reader->WaitFor("end of talk</p>"));
    ASSERT_EQ(SiteChatRoom().Members().size(), 2u);

    // Bytes wait for the stalled member; the chat thread must sleep meanwhile.
    const double before = ProcessCpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    EXPECT_LT(ProcessCpuSeconds() - before, 0.2);

    // Past 1 MiB of unsent talk the member is dropped as if it had left.
    const std::string big(64 * 1024, 'b');
    for (int i = 0; i < 20; ++i) SiteChatRoom().PostSpeech({reader->id(), "All", big});
    EXPECT_TRUE(reader->WaitForListReloads(3));
    ASSERT_EQ(SiteChatRoom().Members().size(), 1u);
    EXPECT_EQ(SiteChatRoom().Members()[0].id, reader->id());
}

TEST_F(ChatRoomTest, EvictionByTheWindow)
{
    auto host = Join();
    PairMember guest;
    JoinPair(guest, 5150, false);
    PairMember blocked;
    JoinPair(blocked, 6160, false);
    ASSERT_TRUE(host->WaitForListReloads(3));
    auto window = std::make_shared<RecordingEvents>();

    SiteChatRoom().PostEvict({5150, false, window});
    ASSERT_TRUE(window->WaitForServiceNotices(ServiceNotice::ChatEvictionHandled, 1));
    EXPECT_EQ(SiteChatRoom().Members().size(), 2u);
    EXPECT_FALSE(SiteChatRoom().FindMember(5150));
    EXPECT_TRUE(GetAutoBlockList().empty());

    SiteChatRoom().PostEvict({6160, true, window});
    ASSERT_TRUE(window->WaitForServiceNotices(ServiceNotice::ChatEvictionHandled, 2));
    EXPECT_EQ(GetAutoBlockList(), (AddressList{{192, 0, 2, 7}}));
    EXPECT_TRUE(host->WaitForListReloads(5));

    // The host's own browser is never evicted, and an unknown id is simply answered.
    SiteChatRoom().PostEvict({host->id(), true, window});
    SiteChatRoom().PostEvict({999, false, window});
    ASSERT_TRUE(window->WaitForServiceNotices(ServiceNotice::ChatEvictionHandled, 4));
    EXPECT_TRUE(SiteChatRoom().FindMember(host->id()));
    EXPECT_EQ(GetAutoBlockList().size(), 1u);

    // Without a room the answer comes at once.
    SiteChatRoom().StopAndWait();
    SiteChatRoom().PostEvict({host->id(), false, window});
    EXPECT_EQ(window->ServiceNotices(ServiceNotice::ChatEvictionHandled), 5u);
}

}  // namespace
}  // namespace vireo::testing
