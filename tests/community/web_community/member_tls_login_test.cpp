// A member logging in to an https:// login address: the host's certificate is verified against the
// system's store, and a certificate it does not vouch for ends the login with a failure text.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

#include "community/web_community/community_store.h"
#include "community/web_community/login_address.h"
#include "community/web_community/member_login.h"
#include "settings/settings.h"
#include "site/site_tls.h"
#include "support/loopback.h"

namespace vireo::testing {
namespace {

constexpr std::string_view kSite = "http://127.0.0.1:8080/";

// SSL_CERT_FILE names the store OpenSSL takes for the system's; set for one test, then put back.
class CertificateStore {
public:
    explicit CertificateStore(const std::string& file)
    {
        if (const char* old = std::getenv("SSL_CERT_FILE")) old_ = old;
        ::setenv("SSL_CERT_FILE", file.c_str(), 1);
    }
    ~CertificateStore()
    {
        if (old_) {
            ::setenv("SSL_CERT_FILE", old_->c_str(), 1);
        } else {
            ::unsetenv("SSL_CERT_FILE");
        }
    }

private:
    std::optional<std::string> old_;
};

class MemberTlsLoginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listening());
        ASSERT_TRUE(SetAsWebCommHost(true));
        CommunityMember member;
        member.id = "walker-7";
        ASSERT_TRUE(WriteMember(member));
        host.id = "walker-7";
        host.site_name = "My Site";
        host.login_url = "https://127.0.0.1:" + std::to_string(server.port()) + "/WebCommunity/login";
        ASSERT_TRUE(WriteHost(host));
    }
    LoginOutcome Login() { return ExchangeLogin(host, kSite, {}).value_or(FailedLogin("(cancelled)")); }

    TestServer server;
    CommunityHost host;
};

TEST(LoginAddressTest, HttpsTakesPort443UnlessOneIsGiven)
{
    const auto secure = ParseLoginAddress("HTTPS://example.org/WebCommunity/login");
    ASSERT_TRUE(secure);
    EXPECT_TRUE(secure->tls);
    EXPECT_EQ(secure->port, 443);
    const auto plain = ParseLoginAddress("http://example.org:8080/x");
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->tls);
    EXPECT_EQ(plain->port, 8080);
}

TEST_F(MemberTlsLoginTest, ACertificateTheStoreDoesNotVouchForFailsWithAText)
{
    const CertificateStore system("/etc/ssl/certs/ca-certificates.crt");
    const LoginOutcome outcome = Login();
    EXPECT_FALSE(outcome.accepted);
    EXPECT_TRUE(outcome.text.starts_with(login_failure::kTlsFailed)) << outcome.text;
    EXPECT_NE(outcome.text.find("certificate"), std::string::npos) << outcome.text;
}

TEST_F(MemberTlsLoginTest, ATrustedCertificateLogsIn)
{
    const auto files = SiteTlsFiles();
    ASSERT_TRUE(files);
    const CertificateStore trusted(files->certificate.string());
    const LoginOutcome outcome = Login();
    EXPECT_TRUE(outcome.accepted) << outcome.text;
}

}  // namespace
}  // namespace vireo::testing
