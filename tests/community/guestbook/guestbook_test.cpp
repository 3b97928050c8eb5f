// The guestbook over real sockets: the form page, every reply, the stored files byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "community/guestbook/guestbook_bytes.h"
#include "community/guestbook/message_file.h"
#include "content/pages/generated_page_bytes.h"
#include "settings/guestbook_folder.h"
#include "settings/settings.h"
#include "support/files.h"
#include "support/loopback.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSaved = "Your message has been saved. Thank you.";
constexpr std::string_view kNothing = "Got nothing to say?";
constexpr std::string_view kWrongType = "Content type not supported";
constexpr std::string_view kNotSaved = "Sorry. Your message has been received but could not be saved.";
constexpr std::string_view kTooLarge = "The message is too large. No all of it has been saved.";

std::string FormPost(std::string_view body, std::string_view path = "/Guestbook/")
{
    return "POST " + std::string(path) +
           " HTTP/1.1\r\nHost: x\r\n"
           "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
}

class GuestbookTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listening());
        ASSERT_TRUE(SetEnableGuestbook(true));
        std::optional<std::string> resolved = GetGuestbookFolder(false);
        ASSERT_TRUE(resolved);
        folder = *resolved;
    }

    std::string Post(std::string_view body, std::string_view path = "/Guestbook/")
    {
        return MaskDate(Exchange(server.port(), FormPost(body, path)));
    }
    std::size_t Messages() const { return fs::exists(folder) ? CountEntries(folder) : 0; }
    std::string Message(std::string_view name) const { return ReadFile(folder / name); }

    TestServer server;
    fs::path folder;
};

TEST_F(GuestbookTest, GetShowsTheFormWhateverThePath)
{
    for (std::string_view path : {"/Guestbook/", "/guestbook", "/GUESTBOOK/any/thing.htm?x=1"}) {
        const std::string answer = Exchange(server.port(), "GET " + std::string(path) + " HTTP/1.1\r\n\r\n");
        EXPECT_EQ(MaskTimes(answer), GuestbookFormAnswer()) << path;
        const std::optional<std::time_t> modified = HeaderDate(answer, "Last-Modified");
        const std::optional<std::time_t> expires = HeaderDate(answer, "Expires");
        ASSERT_TRUE(modified && expires);
        EXPECT_NEAR(static_cast<double>(*expires - *modified), 300.0, 1.0);
    }
}

TEST_F(GuestbookTest, HeadSendsTheFormHeaderAlone)
{
    EXPECT_EQ(MaskTimes(Exchange(server.port(), "HEAD /Guestbook/ HTTP/1.1\r\n\r\n")),
              GuestbookFormAnswer(true));
}

TEST_F(GuestbookTest, ForbiddenWhileOff)
{
    ASSERT_TRUE(SetEnableGuestbook(false));
    EXPECT_TRUE(Exchange(server.port(), "GET /Guestbook/ HTTP/1.1\r\n\r\n").starts_with("HTTP/1.1 403 "));
    EXPECT_TRUE(Exchange(server.port(), "HEAD /Guestbook/ HTTP/1.1\r\n\r\n").starts_with("HTTP/1.1 403 "));
    EXPECT_TRUE(Exchange(server.port(), FormPost("msg=Hello")).starts_with("HTTP/1.1 403 "));
    EXPECT_EQ(Messages(), 0u);
}

// A body, and the file it leaves.
struct StoredCase {
    std::string_view body;
    std::string_view stored;
};

TEST_F(GuestbookTest, StoresTheMessageUnderTheVisitorsAddress)
{
    constexpr StoredCase kCases[] = {
        {"msg=Hello+there%21%0D%0ASee+you.", "Hello there!\r\nSee you."},
        // Leading blanks and line ends go, the rest stays as typed.
        {"msg=+%0D%0A%09++Hi+%0D%0A", "Hi \r\n"},
        // A second field is part of the message, its "&" included.
        {"msg=Fish+%26+chips&send=Send", "Fish & chips&send=Send"},
        // UTF-8 is stored as it came.
        {"msg=Gr%C3%BC%C3%9Fe+aus+K%C3%B6ln+%E2%9C%93", "Grüße aus Köln ✓"},
    };
    for (const StoredCase& sent : kCases) {
        EXPECT_EQ(Post(sent.body), GuestbookReplyAnswer(kSaved)) << sent.body;
        EXPECT_EQ(Message("127.0.0.1.txt"), sent.stored) << sent.body;
        EXPECT_EQ(Messages(), 1u);
        fs::remove(folder / "127.0.0.1.txt");
    }
}

TEST_F(GuestbookTest, PostsAnywhereBelowTheGuestbook)
{
    EXPECT_EQ(Post("msg=one", "/guestbook/some/where?q=1"), GuestbookReplyAnswer(kSaved));
    EXPECT_EQ(Message("127.0.0.1.txt"), "one");
}

TEST_F(GuestbookTest, NumbersFurtherMessagesAndReusesAFreedName)
{
    EXPECT_EQ(Post("msg=first"), GuestbookReplyAnswer(kSaved));
    EXPECT_EQ(Post("msg=second"), GuestbookReplyAnswer(kSaved));
    EXPECT_EQ(Post("msg=third"), GuestbookReplyAnswer(kSaved));
    EXPECT_EQ(Message("127.0.0.1.txt"), "first");
    EXPECT_EQ(Message("127.0.0.1(2).txt"), "second");
    EXPECT_EQ(Message("127.0.0.1(3).txt"), "third");
    fs::remove(folder / "127.0.0.1.txt");
    EXPECT_EQ(Post("msg=fourth"), GuestbookReplyAnswer(kSaved));
    EXPECT_EQ(Message("127.0.0.1.txt"), "fourth");
    EXPECT_EQ(Post("msg=fifth"), GuestbookReplyAnswer(kSaved));
    EXPECT_EQ(Message("127.0.0.1(4).txt"), "fifth");
}

TEST_F(GuestbookTest, NothingToSay)
{
    for (std::string_view body : {"msg", "msg=", "msg=+++", "msg=%0D%0A%20%09", "nothing here"})
        EXPECT_EQ(Post(body), GuestbookReplyAnswer(kNothing)) << body;
    const std::string no_length =
        "POST /Guestbook/ HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n\r\n";
    EXPECT_EQ(MaskDate(Exchange(server.port(), no_length)), GuestbookReplyAnswer(kNothing));
    const std::string zero_length =
        "POST /Guestbook/ HTTP/1.1\r\nContent-Type: text/plain\r\nContent-Length: 0\r\n\r\n";
    EXPECT_EQ(MaskDate(Exchange(server.port(), zero_length)), GuestbookReplyAnswer(kNothing));
    EXPECT_EQ(Messages(), 0u);
}

TEST_F(GuestbookTest, RefusesAnotherContentType)
{
    for (std::string_view type : {"text/plain", "multipart/form-data; boundary=x",
                                  "application/x-www-form-urlencoded; charset=UTF-8"}) {
        const std::string request = "POST /Guestbook/ HTTP/1.1\r\nContent-Type: " + std::string(type) +
                                    "\r\nContent-Length: 9\r\n\r\nmsg=Hello";
        EXPECT_EQ(MaskDate(Exchange(server.port(), request)), GuestbookReplyAnswer(kWrongType)) << type;
    }
    const std::string upper =
        "POST /Guestbook/ HTTP/1.1\r\nContent-Type: Application/X-WWW-Form-Urlencoded\r\nContent-Length: "
        "9\r\n\r\nmsg=Hello";
    EXPECT_EQ(MaskDate(Exchange(server.port(), upper)), GuestbookReplyAnswer(kSaved));
    EXPECT_EQ(Messages(), 1u);
}

TEST_F(GuestbookTest, CutsABodyAbove65536Bytes)
{
    std::string body = "msg=";
    for (std::size_t i = 0; body.size() < 100000; ++i) body += static_cast<char>('a' + i % 26);
    EXPECT_EQ(Post(body), GuestbookReplyAnswer(kTooLarge));
    EXPECT_EQ(Message("127.0.0.1.txt"), body.substr(4, 65536 - 4));
}

TEST_F(GuestbookTest, AcceptsABodyOfExactly65536Bytes)
{
    const std::string body = "msg=" + std::string(65536 - 4, 'z');
    EXPECT_EQ(Post(body), GuestbookReplyAnswer(kSaved));
    EXPECT_EQ(Message("127.0.0.1.txt").size(), 65536u - 4);
}

TEST_F(GuestbookTest, ReadsABodyThatComesInPieces)
{
    LoopbackClient client(server.port());
    const std::string request = FormPost("msg=slowly+but+surely");
    const std::size_t split = request.find("\r\n\r\n") + 8;
    ASSERT_TRUE(client.Send(request.substr(0, split)));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(client.Send(request.substr(split)));
    EXPECT_EQ(MaskDate(client.ReadAll()), GuestbookReplyAnswer(kSaved));
    EXPECT_EQ(Message("127.0.0.1.txt"), "slowly but surely");
}

TEST_F(GuestbookTest, AVisitorWhoLeavesMidBodyGetsNothingAndLeavesNothing)
{
    LoopbackClient client(server.port());
    const std::string request = FormPost("msg=" + std::string(1000, 'x'));
    ASSERT_TRUE(client.Send(request.substr(0, request.size() - 500)));
    client.Close();
    LoopbackClient after(server.port());  // the server goes on serving
    ASSERT_TRUE(after.Send("GET /Guestbook/ HTTP/1.1\r\n\r\n"));
    EXPECT_TRUE(after.ReadAll().starts_with("HTTP/1.1 200 OK"));
    EXPECT_EQ(Messages(), 0u);
}

TEST_F(GuestbookTest, CouldNotBeSavedOnceEveryNameIsTaken)
{
    fs::create_directories(folder);
    WriteFile(folder / "127.0.0.1.txt", "old");
    for (int counter = 2; counter <= kLastMessageCounter; ++counter)
        WriteFile(folder / MessageFileName({127, 0, 0, 1}, counter), "");
    EXPECT_EQ(Post("msg=one+too+many"), GuestbookReplyAnswer(kNotSaved));
    EXPECT_EQ(Messages(), static_cast<std::size_t>(kLastMessageCounter));
    EXPECT_EQ(Message("127.0.0.1.txt"), "old");
}

TEST_F(GuestbookTest, KeepsTwentySimultaneousPostsFromOneAddress)
{
    constexpr int kPosts = 20;
    std::vector<std::future<std::string>> answers;
    for (int i = 0; i < kPosts; ++i) {
        answers.push_back(std::async(std::launch::async,
                                     [this, i] { return Post("msg=message+number+" + std::to_string(i)); }));
    }
    for (auto& answer : answers) EXPECT_EQ(answer.get(), GuestbookReplyAnswer(kSaved));
    std::set<std::string> stored;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        stored.insert(ReadFile(entry.path()));
    std::set<std::string> sent;
    for (int i = 0; i < kPosts; ++i) sent.insert("message number " + std::to_string(i));
    EXPECT_EQ(stored, sent);
    EXPECT_TRUE(fs::exists(folder / "127.0.0.1.txt"));
    EXPECT_TRUE(fs::exists(folder / "127.0.0.1(20).txt"));
}

TEST_F(GuestbookTest, RaisesTheAlarmOnlyWhenAskedTo)
{
    EXPECT_EQ(Post("msg=quiet"), GuestbookReplyAnswer(kSaved));
    EXPECT_EQ(server.events().ServiceNotices(ServiceNotice::GuestbookMessage), 0u);
    ASSERT_TRUE(SetGuestbookAlarm(true));
    EXPECT_EQ(Post("msg=loud"), GuestbookReplyAnswer(kSaved));
    EXPECT_EQ(server.events().ServiceNotices(ServiceNotice::GuestbookMessage), 1u);
    EXPECT_EQ(Post("msg="), GuestbookReplyAnswer(kNothing));
    EXPECT_EQ(server.events().ServiceNotices(ServiceNotice::GuestbookMessage), 1u);
}

}  // namespace
}  // namespace vireo::testing
