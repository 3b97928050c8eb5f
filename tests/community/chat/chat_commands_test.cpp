// The "!" commands and their replies, over real sockets. Members on 127.x.x.x are this computer and
// so hosts; members that are not come in through the room's join request with a socket pair.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include "community/chat/chat_room.h"
#include "settings/address_list.h"
#include "settings/settings.h"
#include "support/chat_client.h"
#include "support/loopback.h"

namespace vireo::testing {
namespace {

constexpr std::string_view kMark = "<font style=\"text-decoration:underline;color:#FFA500\">";

std::string Marked(std::string_view text)
{
    return std::string(kMark) + std::string(text) + "</font>";
}

// The room's reply as its member sees it.
std::string Reply(std::string_view html)
{
    return "<b style=\"color:#ff0000\">Vireo: </b>" + std::string(html) + "</p>";
}

// A member from another computer, as far as the room can tell: it joins through the room's
// interface with a socket pair, and the test reads the other end.
class Visitor {
public:
    Visitor(std::uint32_t id, const Ipv4Address& address) : id_(id)
    {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0) return;
        auto socket = std::make_unique<StreamSocket>();
        socket->Attach(ends[0]);
        far_end_ = ends[1];
        SiteChatRoom().PostJoin({id, std::move(socket), address, false});
    }
    ~Visitor()
    {
        if (far_end_ >= 0) ::close(far_end_);
    }

    std::uint32_t id() const { return id_; }
    // Bytes from the member's side of its output page, which a browser never sends.
    bool Send(std::string_view bytes)
    {
        return ::send(far_end_, bytes.data(), bytes.size(), MSG_NOSIGNAL) > 0;
    }
    std::string name() const { return "Guest" + std::to_string(id_); }
    void Say(std::string_view text, std::string_view to = "All")
    {
        SiteChatRoom().PostSpeech({id_, std::string(to), std::string(text)});
    }
    bool WaitFor(std::string_view text)
    {
        for (int i = 0; i < 500; ++i) {
            Read();
            if (received_.find(text) != std::string::npos) return true;
            ::usleep(20 * 1000);
        }
        return false;
    }
    // True once the room has closed this member's socket.
    bool WaitForClose()
    {
        for (int i = 0; i < 500 && !closed_; ++i) {
            Read();
            if (!closed_) ::usleep(20 * 1000);
        }
        return closed_;
    }
    const std::string& received()
    {
        Read();
        return received_;
    }

private:
    void Read()
    {
        char bytes[65536];
        for (;;) {
            const ssize_t count = ::recv(far_end_, bytes, sizeof bytes, MSG_DONTWAIT);
            if (count > 0) {
                received_.append(bytes, static_cast<std::size_t>(count));
                continue;
            }
            if (count == 0) closed_ = true;
            return;
        }
    }

    std::uint32_t id_;
    int far_end_ = -1;
    std::string received_;
    bool closed_ = false;
};

class ChatCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listening());
        ASSERT_TRUE(SiteChatRoom().Start(room_events, 16));
        host = std::make_unique<ChatClient>(server.port());
        ASSERT_TRUE(host->WaitForListReloads(1));
        visitor = std::make_unique<Visitor>(1001, Ipv4Address{192, 0, 2, 50});
        ASSERT_TRUE(visitor->WaitFor(kListReload));
        ASSERT_TRUE(host->WaitForListReloads(2));
    }
    void TearDown() override { SiteChatRoom().StopAndWait(); }

    std::string HostName() const { return "Guest" + std::to_string(host->id()); }

    TestServer server;
    std::shared_ptr<RecordingEvents> room_events = std::make_shared<RecordingEvents>();
    std::unique_ptr<ChatClient> host;
    std::unique_ptr<Visitor> visitor;  // joins once the room runs
};

TEST_F(ChatCommandTest, Rename)
{
    const struct {
        std::string typed;
        std::string_view reply;
    } refusals[] = {
        {"!name=" + std::string(31, 'n'), "Your new name is too long."},
        {"!NAME=a@b", "Your new name contains illegal characters."},
        {"!name=a#b", "Your new name contains illegal characters."},
        {"!name=<b>", "Your new name contains illegal characters."},
        {"!name=x\"y", "Your new name contains illegal characters."},
        {"!name=  vireo",
         "<font style=\"text-decoration:underline;color:#FFA500\">vireo</font> is reserved. "
         "Please select a different one."},
        {"!name=ALL",
         "<font style=\"text-decoration:underline;color:#FFA500\">ALL</font> is reserved. Please "
         "select a different one."},
        {"!name=Hostess",
         "<font style=\"text-decoration:underline;color:#FFA500\">Hostess</font> is reserved. "
         "Please select a different one."},
    };
    for (const auto& refusal : refusals) {
        visitor->Say(refusal.typed);
        EXPECT_TRUE(visitor->WaitFor(Reply(refusal.reply))) << refusal.typed;
    }
    // Blanks before the name go; "=" is an allowed character; 30 bytes is the most.
    const std::string longest = std::string(29, 'z') + "=";
    visitor->Say("!name=\t " + longest);
    const std::string announced = Marked(visitor->name()) + " has changed his/her name as " + Marked(longest);
    EXPECT_TRUE(visitor->WaitFor(Reply(announced))) << visitor->received();
    EXPECT_TRUE(host->WaitFor(Reply(announced) + "<script LANGUAGE=JAVASCRIPT>"));
    EXPECT_TRUE(host->WaitFor("scrollIntoView(true);parent.list.document.location.reload();</SCRIPT>"));
    EXPECT_TRUE(visitor->WaitFor("parent.document.title=\"" + longest + " --- Vireo Chat Room\";"));
    EXPECT_EQ(SiteChatRoom().FindMember(visitor->id())->name, longest);

    // Another member's name, in any case, is taken; the same name in another case is a new name.
    visitor->Say("!name=" + HostName());
    EXPECT_TRUE(visitor->WaitFor(Reply("Your new name is used by another member.")));
    visitor->Say("!name=" + std::string(29, 'Z') + "=");
    EXPECT_TRUE(host->WaitFor("has changed his/her name as " + Marked(std::string(29, 'Z') + "=")));

    // The host may call itself Host; renaming to the current name says nothing.
    host->Say("!name=Host");
    EXPECT_TRUE(host->WaitFor("has changed his/her name as " + Marked("Host")));
    const std::size_t before = host->received().size();
    host->Say("!name=Host");
    host->Say("marker");
    ASSERT_TRUE(host->WaitFor("marker</p>"));
    EXPECT_EQ(host->received().substr(before).find("changed"), std::string::npos);
}

TEST_F(ChatCommandTest, HostOnlyCommandsAreRefusedToVisitors)
{
    for (std::string_view command : {"!kick ", "!block x", "!welcome=hi"}) {
        visitor->Say(command);
        visitor->Say("!name=step" + std::to_string(command.size()));
    }
    EXPECT_TRUE(visitor->WaitFor("step8"));
    const std::string& seen = visitor->received();
    std::size_t refusals = 0;
    for (std::size_t at = seen.find("You are not allowed to use this command."); at != std::string::npos;
         at = seen.find("You are not allowed to use this command.", at + 1))
        ++refusals;
    EXPECT_EQ(refusals, 3u);
    EXPECT_EQ(SiteChatRoom().Members().size(), 2u);
    EXPECT_EQ(GetWebChatWelcomeMsg().value_or(""), "");
}

TEST_F(ChatCommandTest, KickAndBlock)
{
    Visitor second(2002, {192, 0, 2, 60});
    ASSERT_TRUE(second.WaitFor(kListReload));

    host->Say("!kick");  // the selected recipient is "All"
    EXPECT_TRUE(
        host->WaitFor(Reply("If you want to kick everybody out, you can simply stop the Web Chat Service.")));
    host->Say("!kick  Nobody<x>");
    EXPECT_TRUE(host->WaitFor(Reply(Marked("Nobody&lt;x&gt;") + " is not in the room.")));
    host->Say("!KICK " + HostName());
    EXPECT_TRUE(host->WaitFor(Reply("You can not use " + Marked("!kick") + " command on " +
                                    Marked(HostName()) + ", beasue " + Marked(HostName()) + " is a host.")));

    // Nothing typed after the command: the name selected in the list.
    host->Say("!kick", visitor->name());
    EXPECT_TRUE(host->WaitFor(Reply(Marked(visitor->name()) + " has been disconnected.")));
    EXPECT_TRUE(visitor->WaitForClose());
    EXPECT_EQ(visitor->received().find("has been disconnected"), std::string::npos);
    EXPECT_TRUE(GetAutoBlockList().empty());

    host->Say("!block " + second.name());
    EXPECT_TRUE(host->WaitFor(Reply(Marked(second.name()) + " has been disconnected and blocked.")));
    EXPECT_TRUE(second.WaitForClose());
    EXPECT_EQ(GetAutoBlockList(), (AddressList{{192, 0, 2, 60}}));
    EXPECT_EQ(SiteChatRoom().Members().size(), 1u);
}

TEST_F(ChatCommandTest, WelcomeMessage)
{
    host->Say("!welcome=  Hello <you> ");
    EXPECT_TRUE(host->WaitFor(Reply("Welcome message has been updated.")));
    EXPECT_EQ(GetWebChatWelcomeMsg().value_or(""), "Hello <you>");
    ChatClient newcomer(server.port(), {127, 0, 0, 2});
    EXPECT_TRUE(newcomer.WaitFor("<p style=\"color:#FFA500\">Hello &lt;you&gt;</p>"));

    host->Say("!welcome=" + std::string(300, 'w'));
    host->Say("!name=step2");
    ASSERT_TRUE(host->WaitFor(Marked("step2")));
    EXPECT_EQ(GetWebChatWelcomeMsg().value_or("").size(), 255u);
    host->Say("!Welcome=");
    host->Say("!name=step3");
    ASSERT_TRUE(host->WaitFor(Marked("step3")));
    EXPECT_EQ(GetWebChatWelcomeMsg().value_or("x"), "");
}

TEST_F(ChatCommandTest, WakeUp)
{
    visitor->Say("!wakeup");  // "All" selected: the host is asked for
    EXPECT_TRUE(host->WaitFor(Reply("[" + visitor->name() + "] asked your attention.") +
                              "<script LANGUAGE=JAVASCRIPT>"));
    EXPECT_TRUE(host->WaitFor("scrollIntoView(true);parent.input.focus();</SCRIPT>"));
    EXPECT_TRUE(visitor->WaitFor(Reply("I told [" + HostName() + "] (the host of this chat room): [" +
                                       visitor->name() + "] asked your attention.")));

    host->Say("!wakeup all");
    EXPECT_TRUE(host->WaitFor(Reply("!WakeupAll means to wake up the host, but you are the host.")));
    host->Say("!wakeup " + visitor->name());
    EXPECT_TRUE(visitor->WaitFor(Reply("[" + HostName() + "] asked your attention.")));
    EXPECT_TRUE(
        host->WaitFor(Reply("I told [" + visitor->name() + "]: [" + HostName() + "] asked your attention.")));
    host->Say("!wakeup", HostName());
    EXPECT_TRUE(host->WaitFor(Reply("You needn't wakeup yourself.")));
    visitor->Say("!wakeup <nobody>");
    EXPECT_TRUE(visitor->WaitFor(Reply("[&lt;nobody&gt;] is not in the chat room.")));
    EXPECT_EQ(room_events->ServiceNotices(ServiceNotice::ChatWakeHost), 0u);
}

TEST_F(ChatCommandTest, WakingAnAbsentHostOpensTheWindowOnceIn30Seconds)
{
    host->Leave();
    ASSERT_TRUE(visitor->WaitFor(std::string(kListReload) + "\r\n"));
    const std::string reply = Reply(
        "The host is not in the room. I am going to open a chat window for the host of this room. Then you "
        "can "
        "talk to him.");
    visitor->Say("!wakeup");
    visitor->Say("!WAKEUP all");
    visitor->Say("!name=done");
    ASSERT_TRUE(visitor->WaitFor("done"));
    const std::string& seen = visitor->received();
    EXPECT_NE(seen.find(reply), std::string::npos);
    EXPECT_NE(seen.find(reply, seen.find(reply) + 1), std::string::npos);
    EXPECT_TRUE(room_events->WaitForServiceNotices(ServiceNotice::ChatWakeHost, 1));
    EXPECT_EQ(room_events->ServiceNotices(ServiceNotice::ChatWakeHost), 1u);
}

TEST_F(ChatCommandTest, BytesAMemberSendsOnItsPageAreReadAway)
{
    ASSERT_TRUE(visitor->Send(std::string(100000, 'x')));
    visitor->Say("still here");
    EXPECT_TRUE(visitor->WaitFor("still here</p>"));
    EXPECT_TRUE(host->WaitFor("still here</p>"));
    EXPECT_EQ(SiteChatRoom().Members().size(), 2u);
}

TEST_F(ChatCommandTest, UnknownCommandShowsItsFirst30BytesEscaped)
{
    visitor->Say("!<script>alert(1)</script>and more text here");
    EXPECT_TRUE(
        visitor->WaitFor(Reply("Unknown command: " + Marked("!&lt;script&gt;alert(1)&lt;/script&gt;and "))));
    visitor->Say("!");
    EXPECT_TRUE(visitor->WaitFor(Reply("Unknown command: " + Marked("!"))));
}

}  // namespace
}  // namespace vireo::testing
