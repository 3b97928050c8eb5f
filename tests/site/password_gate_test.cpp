// Basic authentication in front of the routing, through a real server on loopback.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "settings/settings.h"
#include "support/loopback.h"
#include "support/page_bytes.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

const std::string kUnauthorized = AnswerStart("HTTP/1.1 401 Unauthorized") +
                                  "WWW-Authenticate: Basic realm=\"Vireo\"\r\nContent-Length: 0\r\n\r\n";

std::string StatusLine(const std::string& answer)
{
    return answer.substr(0, answer.find("\r\n"));
}

class PasswordGateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listening());
        const fs::path site = server.home().path() / "site";
        fs::create_directories(site);
        std::ofstream(site / "a.txt") << "hello";
        FolderSettings photos;
        photos.path = site.string();
        ASSERT_TRUE(WriteFolder("photos", photos));
        ASSERT_TRUE(SetUserPassword("Alice", "Secret"));
        ASSERT_TRUE(SetUsePasswords(true));
    }

    std::string Get(std::string_view target, std::string_view authorization = {})
    {
        std::string request = "GET " + std::string(target) + " HTTP/1.1\r\nHost: x\r\n";
        if (!authorization.empty()) request += "Authorization: " + std::string(authorization) + "\r\n";
        return MaskDate(Exchange(server.port(), request + "\r\n"));
    }

    TestServer server;
};

// "alice:Secret", "Alice:secret" and "alice" in Base64.
constexpr std::string_view kAliceSecret = "Basic YWxpY2U6U2VjcmV0";
constexpr std::string_view kWrongCasePassword = "Basic QWxpY2U6c2VjcmV0";
constexpr std::string_view kNoColon = "Basic YWxpY2U=";

TEST_F(PasswordGateTest, EveryMissingOrMalformedCredentialGetsTheSame401)
{
    const std::string_view cases[] = {
        "",
        "Digest username=\"alice\", realm=\"Vireo\"",
        "Basic YWxp Y2U6U2VjcmV0",
        kNoColon,
        kWrongCasePassword,
        "Basic Ym9iOlNlY3JldA==",  // bob:Secret, no such user
        "Basic !!!!",
    };
    for (std::string_view authorization : cases) {
        EXPECT_EQ(Get("/photos/a.txt", authorization), kUnauthorized) << authorization;
    }
}

TEST_F(PasswordGateTest, AnAccountInAnyLetterCaseOfItsNameGetsIn)
{
    const std::string answer = Get("/photos/a.txt", kAliceSecret);
    EXPECT_EQ(StatusLine(answer), "HTTP/1.1 200 OK");
    EXPECT_TRUE(answer.ends_with("\r\n\r\nhello"));
}

TEST_F(PasswordGateTest, UrlsThatDoNotResolveGet404WithoutAskingForCredentials)
{
    EXPECT_EQ(StatusLine(Get("/nowhere")), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(StatusLine(Get("/photos/missing.txt")), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(StatusLine(Get("/nowhere??")), "HTTP/1.1 404 Not Found");
}

TEST_F(PasswordGateTest, TheEchoComesOnlyAfterTheCheck)
{
    EXPECT_EQ(Get("/??"), kUnauthorized);
    EXPECT_EQ(StatusLine(Get("/??", kAliceSecret)), "HTTP/1.1 200 OK");
}

TEST_F(PasswordGateTest, OnlyTheCommunityLoginIsExempt)
{
    EXPECT_NE(StatusLine(Get("/WebCommunity/login")), "HTTP/1.1 401 Unauthorized");
    EXPECT_NE(StatusLine(Get("/webcommunity/LOGIN?name=x")), "HTTP/1.1 401 Unauthorized");
    EXPECT_EQ(Get("/WebCommunity/"), kUnauthorized);
    EXPECT_EQ(Get("/WebCommunity/other"), kUnauthorized);
    EXPECT_EQ(Get("/"), kUnauthorized);
}

TEST_F(PasswordGateTest, WithPasswordsOffNoCredentialsAreNeeded)
{
    ASSERT_TRUE(SetUsePasswords(false));
    EXPECT_EQ(StatusLine(Get("/photos/a.txt")), "HTTP/1.1 200 OK");
    EXPECT_EQ(StatusLine(Get("/photos/a.txt", kWrongCasePassword)), "HTTP/1.1 200 OK");
}

}  // namespace
}  // namespace vireo::testing
