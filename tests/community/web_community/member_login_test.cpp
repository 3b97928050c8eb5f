// The member's side of a login against a fake host in the test: the request it sends, the replies
// it reads and what it writes into its record.
#include "community/web_community/member_login.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>

#include "base/unique_fd.h"
#include "support/scripted_server.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

using std::chrono::milliseconds;

constexpr std::string_view kSite = "http://127.0.0.1:8080/";

std::string WithLength(std::string_view body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + std::string(body);
}

std::string Chunked(std::string_view body)
{
    std::string reply = "HTTP/1.1 200 OK\r\ntransfer-encoding: \t Chunked\r\n\r\n";
    for (std::size_t at = 0; at < body.size(); at += 7) {
        const std::string_view piece = body.substr(at, 7);
        char size[16];
        std::snprintf(size, sizeof size, "%zX\r\n", piece.size());
        reply += size + std::string(piece) + "\r\n";
    }
    return reply + "0\r\n\r\n";
}

const std::string kAccepted = "accepted\r\nHill Walkers\r\nhttp://10.0.0.1//WebCommunity/\r\nWalks & talks";

class MemberLoginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.id = "me";
        host.site_name = "My Site";
        host.page_path = "photos/";
        host.description = "Hills & lakes";
        host.icon = "logo.png";
        host.login_url = "http://127.0.0.1:" + std::to_string(server.port()) + "/WebCommunity/login";
        ASSERT_TRUE(WriteHost(host));
    }

    LoginOutcome Login(const LoginLimits& limits = {})
    {
        std::optional<LoginOutcome> outcome = ExchangeLogin(host, kSite, limits);
        return outcome.value_or(FailedLogin("(cancelled)"));
    }

    TestHome home;
    std::vector<ScriptedReply> replies;  // what the fake host answers, one per login
    ScriptedServer server{{127, 0, 0, 1}, [this](const std::string&) {
                              if (replies.empty()) return ScriptedReply{};
                              ScriptedReply next = replies.front();
                              replies.erase(replies.begin());
                              return next;
                          }};
    CommunityHost host;
};

TEST_F(MemberLoginTest, TheRequestByteForByteAndAnAcceptedReplyOfEitherFraming)
{
    replies = {{{WithLength(kAccepted)}}, {{Chunked(kAccepted)}}};
    for (int framing = 0; framing < 2; ++framing) {
        const LoginOutcome outcome = Login();
        EXPECT_TRUE(outcome.accepted) << outcome.text;
        EXPECT_EQ(outcome.host_name, "Hill Walkers");
        EXPECT_EQ(outcome.host_page, "http://10.0.0.1//WebCommunity/");
        EXPECT_EQ(outcome.text, "Walks & talks");
    }
    const std::string request =
        "GET /WebCommunity/login?id=me&name=My+Site&url=http%3A%2F%2F127.0.0.1%3A8080%2Fphotos%2F"
        "&desc=Hills+%26+lakes&icon=http%3A%2F%2F127.0.0.1%3A8080%2Flogo.png HTTP/1.1\r\nAccept: "
        "text/plain\r\n"
        "User-Agent: Vireo 6.5 (https://quillmark.example/vireo)\r\nHost: 127.0.0.1\r\n\r\n";
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.requests()[0], request);

    // Without an icon there is no icon address; the path goes as written, query and all.
    host.icon.clear();
    host.login_url = "x:127.0.0.1: " + std::to_string(server.port()) + "\\ignored/login?v=2";
    host.id = "a b/é";
    replies = {{{WithLength(kAccepted)}}};
    EXPECT_TRUE(Login().accepted);
    EXPECT_EQ(server.requests().back(),
              "GET /login?v=2?id=a+b%2F%C3%A9&name=My+Site&url=http%3A%2F%2F127.0.0.1%3A8080%2Fphotos%2F"
              "&desc=Hills+%26+lakes HTTP/1.1\r\nAccept: text/plain\r\n"
              "User-Agent: Vireo 6.5 (https://quillmark.example/vireo)\r\nHost: 127.0.0.1\r\n\r\n");
}

TEST_F(MemberLoginTest, EachReplyThatIsNoAcceptanceHasItsText)
{
    const struct {
        std::string reply;
        std::string text;
    } cases[] = {
        {"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n", "Unknown Status Code From Host"},
        {"HTTP/1.1 2000 OK\r\nContent-Length: 8\r\n\r\naccepted", "Unknown Status Code From Host"},
        {"HTTP/1.1 200 OK\r\n\r\n" + kAccepted, "Invalid Reply From Host"},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\n" + kAccepted, "Invalid Reply From Host"},
        {WithLength("accepted"), "Invalid Reply From Host"},
        {WithLength("accepted\r\nname\r\npage only"), "Invalid Reply From Host"},
        {WithLength("accepted\r\n" + std::string(32, 'n') + "\r\npage\r\ndesc"), "Invalid Reply From Host"},
        {WithLength("accepted\r\nname\r\n" + std::string(255, 'p') + "\r\ndesc"), "Invalid Reply From Host"},
        {WithLength("rejected\r\nMember ID Not Exists\r\nmore"), "Member ID Not Exists"},
        {Chunked(" Rejected \r\n  Not Supported  "), "Not Supported"},
        {WithLength("no\r\n"), ""},
        {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\naccepted\r\n", "Disconected by Host"},
        // A length of 0 waits for a last chunk that never comes, until the host closes.
        {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", "Disconected by Host"},
        {"HTTP/1.1 200 OK\r\nContent-Length: 70000\r\n\r\n" + std::string(70000, 'x'),
         "Invalid Reply From Host"},
        {"", "Disconected by Host"},
    };
    for (const auto& c : cases) {
        replies = {{{c.reply}}};
        const LoginOutcome outcome = Login();
        EXPECT_FALSE(outcome.accepted) << c.reply.substr(0, 60);
        EXPECT_EQ(outcome.text, c.text) << c.reply.substr(0, 60);
    }
    replies = {{{WithLength("accepted\r\n" + std::string(31, 'n') + "\r\n" + std::string(254, 'p') + "\r\n" +
                            std::string(254, 'd'))}}};
    EXPECT_TRUE(Login().accepted);
}

TEST_F(MemberLoginTest, AddressesThatLeadNowhere)
{
    for (std::string_view address : {"127.0.0.1/WebCommunity/login", "http:///WebCommunity/login",
                                     "http://127.0.0.1:0/login", "http://127.0.0.1:70000/login"}) {
        host.login_url = address;
        EXPECT_EQ(Login().text, "Invalid Login URL") << address;
    }
    // A port nobody listens on.
    UniqueFd probe(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof sa;
    ASSERT_EQ(::bind(probe.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    ASSERT_EQ(::getsockname(probe.get(), reinterpret_cast<sockaddr*>(&sa), &length), 0);
    host.login_url = "http://127.0.0.1:" + std::to_string(ntohs(sa.sin_port)) + "/WebCommunity/login";
    probe.reset();
    EXPECT_EQ(Login().text, "Can not connect to 127.0.0.1");
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(MemberLoginTest, AHostThatTricklesIsCutOffAtTheExchangeLimit)
{
    ScriptedReply trickle;
    trickle.pieces.assign(200, "H");
    trickle.gap = milliseconds(50);
    replies = {trickle};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Login({.exchange = milliseconds(1000)}).text, "Disconected by Host");
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, milliseconds(900));
    EXPECT_LT(took, milliseconds(3000));
}

TEST_F(MemberLoginTest, RepliesInPiecesReadAsWhole)
{
    const std::string whole = Chunked(kAccepted);
    ScriptedReply pieces;
    for (char c : whole) pieces.pieces.emplace_back(1, c);
    pieces.gap = milliseconds(1);
    replies = {pieces};
    EXPECT_TRUE(Login().accepted);
}

TEST_F(MemberLoginTest, TheOutcomeIsWrittenOnlyWhileTheLoginAddressIsUnchanged)
{
    // Accepted: the host's fields and the time; the member's own fields as they are now.
    LoginOutcome accepted{true, "Walkers", "http://10.0.0.1//WebCommunity/", "Up & down"};
    ASSERT_EQ(UpdateHost("me",
                         [](CommunityHost& stored) {
                             stored.site_name = "Renamed meanwhile";
                             return true;
                         }),
              RecordUpdate::Stored);
    EXPECT_EQ(StoreLoginOutcome(host, accepted), RecordUpdate::Stored);
    std::optional<CommunityHost> stored = FindHost("me");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->site_name, "Renamed meanwhile");
    EXPECT_EQ(stored->host_name, "Walkers");
    EXPECT_EQ(stored->host_page, "http://10.0.0.1//WebCommunity/");
    EXPECT_EQ(stored->host_description, "Up & down");
    const RecordTime accepted_at = stored->last_login;
    EXPECT_FALSE(accepted_at.IsZero());

    // A failure clears the host's name and page, keeps the time of the last acceptance.
    EXPECT_EQ(StoreLoginOutcome(host, FailedLogin("Disconected by Host")), RecordUpdate::Stored);
    stored = FindHost("me");
    EXPECT_EQ(stored->host_name, "");
    EXPECT_EQ(stored->host_page, "");
    EXPECT_EQ(stored->host_description, "Disconected by Host");
    EXPECT_EQ(stored->last_login, accepted_at);

    // An edit of the login address wins over an exchange that used the old one.
    CommunityHost edited = *stored;
    edited.login_url = "http://10.9.9.9/WebCommunity/login";
    ASSERT_TRUE(WriteHost(edited));
    EXPECT_EQ(StoreLoginOutcome(host, accepted), RecordUpdate::Kept);
    EXPECT_EQ(FindHost("me")->host_name, "");
    EXPECT_EQ(FindHost("me")->login_url, edited.login_url);

    // A record removed during the exchange stays removed.
    ASSERT_TRUE(DeleteHost("me"));
    EXPECT_EQ(StoreLoginOutcome(host, accepted), RecordUpdate::Missing);
    EXPECT_FALSE(FindHost("me"));
}

TEST_F(MemberLoginTest, AnEditDuringTheExchangeIsNotOverwritten)
{
    // The owner changes the login address while the host is still answering.
    ScriptedServer editing({127, 0, 0, 1}, [](const std::string&) {
        UpdateHost("me", [](CommunityHost& stored) {
            stored.login_url = "http://10.9.9.9/WebCommunity/login";
            return true;
        });
        return ScriptedReply{{WithLength(kAccepted)}};
    });
    host.login_url = "http://127.0.0.1:" + std::to_string(editing.port()) + "/WebCommunity/login";
    ASSERT_TRUE(WriteHost(host));
    const LoginOutcome outcome = *ExchangeLogin(host, kSite, {});
    EXPECT_TRUE(outcome.accepted);
    EXPECT_EQ(StoreLoginOutcome(host, outcome), RecordUpdate::Kept);
    EXPECT_EQ(FindHost("me")->host_name, "");
    EXPECT_EQ(FindHost("me")->login_url, "http://10.9.9.9/WebCommunity/login");
}

}  // namespace
}  // namespace vireo::testing
