// The host's side of a login, over real sockets: GET /WebCommunity/login?id=...&name=...
#include "community/web_community/login_handler.h"

#include <gtest/gtest.h>

#include "community/web_community/community_store.h"
#include "community/web_community/login_query.h"
#include "settings/settings.h"
#include "settings/settings_users.h"
#include "support/loopback.h"
#include "support/page_bytes.h"

namespace vireo::testing {
namespace {

constexpr std::string_view kBadParameters = "rejected\r\nBad Login Parameters";

class CommunityLoginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listening());
        ASSERT_TRUE(SetAsWebCommHost(true));
        ASSERT_TRUE(SetWebCommNameAsHost("Hill Walkers"));
        ASSERT_TRUE(SetWebCommDescAsHost("Walks & talks"));
        CommunityMember member;
        member.id = "m1";
        ASSERT_TRUE(WriteMember(member));
    }

    std::string Answer(std::string_view method, std::string_view target)
    {
        return MaskDate(
            Exchange(server.port(), std::string(method) + " " + std::string(target) + " HTTP/1.1\r\n\r\n"));
    }
    // The whole answer to a login, checked to be the plain-text answer; its body.
    std::string Login(std::string_view query)
    {
        const std::string answer = Answer("GET", "/WebCommunity/login" + std::string(query));
        const std::size_t body = answer.find("\r\n\r\n") + 4;
        EXPECT_EQ(answer.substr(0, body), AnswerStart("HTTP/1.1 200 OK") + "Content-Type: text/plain\r\n" +
                                              "Content-Length: " + std::to_string(answer.size() - body) +
                                              "\r\n\r\n");
        return answer.substr(body);
    }
    std::string Accepted() const
    {
        return "accepted\r\nHill Walkers\r\nhttp://127.0.0.1:" + std::to_string(server.port()) +
               "//WebCommunity/\r\nWalks & talks";
    }

    TestServer server;
};

TEST_F(CommunityLoginTest, AnAcceptedLoginStoresTheMembersFactsAndTime)
{
    const RecordTime before = LocalRecordTime();
    EXPECT_EQ(
        Login("?id=+m1+&name=Anna%27s+%41lbum&url=http%3A%2F%2F10.0.0.5%3A8080%2Fphotos%2F&desc=Hills%0d%0a"
              "&icon=http%3A%2F%2F10.0.0.5%2Ficon.png"),
        Accepted());
    const std::optional<CommunityMember> member = FindMember("m1");
    ASSERT_TRUE(member);
    EXPECT_EQ(member->name, "Anna's Album");
    EXPECT_EQ(member->page, "http://10.0.0.5:8080/photos/");
    EXPECT_EQ(member->description, "Hills");
    EXPECT_EQ(member->last_login.year, before.year);
    EXPECT_EQ(member->last_login.day, before.day);
    EXPECT_NE(member->last_login, RecordTime{});

    // The member ID is matched without regard to case, and a HEAD gets the head alone.
    const std::string head = Answer("HEAD", "/webcommunity/LOGIN?id=M1&name=a&url=http://a.bcd&desc=");
    EXPECT_TRUE(head.ends_with("Content-Length: " + std::to_string(Accepted().size()) + "\r\n\r\n")) << head;
    EXPECT_EQ(FindMember("m1")->page, "http://a.bcd");
}

TEST_F(CommunityLoginTest, EveryRejectionHasItsReason)
{
    for (std::string_view query :
         {"", "?", "?name=x&url=http://a.bcd&desc=", "?id=&name=x&url=http://a.bcd&desc=",
          "?id=+%20%09+&name=x&url=http://a.bcd&desc=", "?id=m1&url=http://a.bcd&desc=",
          "?id=m1&name=+&url=http://a.bcd&desc=", "?id=m1&name=x&desc=",
          "?id=m1&name=x&url=http://a.bc&desc=", "?id=m1&name=x&url=javascript:alert(1)//&desc=",
          "?id=m1&name=x&url=file:///etc/passwd&desc=", "?id=m1&name=x&url=http://a.bcd"}) {
        EXPECT_EQ(Login(query), kBadParameters) << query;
    }
    EXPECT_EQ(Login("?id=nobody&name=x&url=http://a.bcd&desc="), "rejected\r\nMember ID Not Exists");
    EXPECT_EQ(FindMember("m1")->last_login, RecordTime{});  // no rejection wrote the record

    ASSERT_TRUE(SetAsWebCommHost(false));
    EXPECT_EQ(Login("?id=m1&name=x&url=http://a.bcd&desc="), "rejected\r\nNot Supported");
}

TEST_F(CommunityLoginTest, TheHostReadsThirtyTwoBytesOfAnId)
{
    const std::string forty(40, 'k');
    CommunityMember longer;
    longer.id = forty;
    ASSERT_TRUE(WriteMember(longer));
    EXPECT_EQ(Login("?id=" + forty + "&name=x&url=http://a.bcd&desc="), "rejected\r\nMember ID Not Exists");
    CommunityMember cut;
    cut.id = forty.substr(0, 32);
    ASSERT_TRUE(WriteMember(cut));
    EXPECT_EQ(Login("?id=" + forty + "&name=x&url=http://a.bcd&desc="), Accepted());
    EXPECT_EQ(FindMember(forty.substr(0, 32))->name, "x");
    EXPECT_EQ(FindMember(forty)->name, "");
}

TEST_F(CommunityLoginTest, OnlyGetAndHeadOfThePageAndTheLoginAreAnswered)
{
    EXPECT_TRUE(Answer("POST", "/WebCommunity/login?id=m1").starts_with("HTTP/1.1 403 Forbidden\r\n"));
    EXPECT_TRUE(Answer("GET", "/WebCommunity/login2").starts_with("HTTP/1.1 403 Forbidden\r\n"));
    EXPECT_TRUE(Answer("GET", "/WebCommunity/").starts_with("HTTP/1.1 200 OK\r\n"));
    EXPECT_TRUE(Answer("PUT", "/WebCommunity/login").starts_with("HTTP/1.1 405"));
}

TEST_F(CommunityLoginTest, PasswordsGuardThePageButNotTheLogin)
{
    ASSERT_TRUE(SetUserPassword("alice", "secret"));
    ASSERT_TRUE(SetUsePasswords(true));
    EXPECT_EQ(Login("?id=m1&name=x&url=http://a.bcd&desc="), Accepted());
    EXPECT_TRUE(Answer("GET", "/WebCommunity/").starts_with("HTTP/1.1 401 "));
}

TEST(LoginQuery, ValuesAreDecodedAsTheHostReadsThem)
{
    const struct {
        std::string_view query, key;
        std::optional<std::string> value;
    } cases[] = {
        {"id=a+b%41%4a", "id=", "a bAJ"},
        {"xid=1&id=2", "id=", "1"},  // the first occurrence anywhere
        {"id=%4", "id=", "\x04"},
        {"id=%4g", "id=", "\x04"},  // the digits it has, and on after both characters
        {"id=%g4x", "id=", ""},     // no leading digit: a zero byte, which ends the text
        {"id=ab%00cd", "id=", "ab"},
        {"id=%", "id=", ""},
        {"id=%41&x", "id=", "A"},
        {"id=%4&x", "id=", "\x04x"},  // the two characters after "%" are taken whatever they are
        {"name=x", "id=", std::nullopt},
        {"id=  padded  ", "id=", "padded"},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeLoginValue(c.query, c.key, 255), c.value) << c.query;
    EXPECT_EQ(DecodeLoginValue("id=" + std::string(40, 'k'), "id=", 32), std::string(32, 'k'));
    EXPECT_EQ(DecodeLoginValue("id=%41%41%41", "id=", 2), "AA");
}

}  // namespace
}  // namespace vireo::testing
