// The admission rules and Basic credentials. Admission of computers other than this one is tested
// here through AdmitAddress, which takes the peer, the local address and this computer's addresses
// as arguments; tests/site/admission_netns_test.cpp does the same with real peers.
#include "site/access_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "base/text_helpers.h"
#include "http/request.h"
#include "settings/settings.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

const Ipv4Address kServerAddress{192, 168, 1, 2};
// This computer's addresses as the system would list them.
std::vector<Ipv4Address> HostList()
{
    return {{127, 0, 0, 1}, {192, 168, 1, 2}, {10, 8, 0, 5}};
}

std::vector<Ipv4Address> NoAddresses()
{
    return {};
}

// Where the answer is clear without the interface list, the rules must not ask for it.
std::vector<Ipv4Address> MustNotBeAsked()
{
    ADD_FAILURE() << "the interface list was asked for";
    return {};
}

bool Admits(const Ipv4Address& peer)
{
    return AdmitAddress(peer, kServerAddress, HostList);
}

class AccessControlTest : public ::testing::Test {
protected:
    TestHome home;
};

TEST(IsLocalAddressTest, LoopbackOwnAddressAndHostAddressesAreThisComputer)
{
    EXPECT_TRUE(IsLocalAddress({127, 0, 0, 1}, kServerAddress, MustNotBeAsked));
    EXPECT_TRUE(IsLocalAddress({127, 9, 8, 7}, kServerAddress, MustNotBeAsked));
    EXPECT_TRUE(IsLocalAddress(kServerAddress, kServerAddress, MustNotBeAsked));
    EXPECT_TRUE(IsLocalAddress({10, 8, 0, 5}, kServerAddress, HostList));
    EXPECT_FALSE(IsLocalAddress({10, 8, 0, 5}, kServerAddress, NoAddresses));
    EXPECT_FALSE(IsLocalAddress({192, 168, 1, 3}, kServerAddress, HostList));
    EXPECT_FALSE(IsLocalAddress({128, 0, 0, 1}, kServerAddress, HostList));
}

TEST(IsLocalAddressTest, HostAddressesIncludeLoopback)
{
    const std::vector<Ipv4Address> addresses = HostAddresses();
    EXPECT_NE(std::ranges::find(addresses, Ipv4Address{127, 0, 0, 1}), addresses.end());
}

TEST_F(AccessControlTest, FilterEntriesMatchOctetByOctetWith255AsWildcard)
{
    struct Case {
        Ipv4Address entry;
        Ipv4Address address;
        bool matches;
    };
    const Case cases[] = {
        {{192, 168, 255, 255}, {192, 168, 4, 7}, true},
        {{192, 168, 255, 255}, {192, 169, 4, 7}, false},
        {{10, 0, 0, 255}, {10, 0, 0, 9}, true},
        {{10, 0, 0, 255}, {10, 0, 1, 9}, false},
        {{255, 255, 255, 255}, {1, 2, 3, 4}, true},
        {{1, 2, 3, 4}, {1, 2, 3, 4}, true},
        {{1, 2, 3, 4}, {1, 2, 3, 5}, false},
        {{255, 2, 3, 4}, {9, 2, 3, 4}, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FilterEntryMatches(c.entry, c.address), c.matches)
            << FormatAddress(c.entry) << " against " << FormatAddress(c.address);
    }
}

TEST_F(AccessControlTest, ForbiddenListRefusesMatchingAddresses)
{
    ASSERT_TRUE(SetIpFilterType(2));
    ASSERT_TRUE(SetIpFilterList(AddressList{{10, 1, 1, 1}, {192, 168, 255, 255}}));
    EXPECT_FALSE(Admits({192, 168, 4, 7}));
    EXPECT_FALSE(Admits({10, 1, 1, 1}));
    EXPECT_TRUE(Admits({192, 169, 4, 7}));
    ASSERT_TRUE(SetIpFilterType(0));
    EXPECT_TRUE(Admits({192, 168, 4, 7}));
    EXPECT_TRUE(AdmitAddress({192, 168, 4, 7}, kServerAddress, MustNotBeAsked));
}

TEST_F(AccessControlTest, AllowedOnlyListAdmitsOnlyMatchesAndWithoutAListEveryone)
{
    ASSERT_TRUE(SetIpFilterType(1));
    EXPECT_TRUE(Admits({10, 0, 1, 9}));
    ASSERT_TRUE(SetIpFilterList(AddressList{{10, 0, 0, 255}}));
    EXPECT_TRUE(Admits({10, 0, 0, 9}));
    EXPECT_FALSE(Admits({10, 0, 1, 9}));
}

TEST_F(AccessControlTest, AutoBlockListRefusesOnlyWhileInUse)
{
    ASSERT_TRUE(SetIpFilterType(1));
    ASSERT_TRUE(SetIpFilterList(AddressList{{10, 0, 0, 255}}));
    ASSERT_TRUE(AddToAutoBlockList({10, 0, 0, 9}));
    ASSERT_TRUE(SetUseAutoBlockList(true));
    EXPECT_FALSE(Admits({10, 0, 0, 9}));
    EXPECT_TRUE(Admits({10, 0, 0, 8}));
    ASSERT_TRUE(SetUseAutoBlockList(false));
    EXPECT_TRUE(Admits({10, 0, 0, 9}));
    ASSERT_TRUE(SetIpFilterType(0));
    ASSERT_TRUE(SetUseAutoBlockList(true));
    EXPECT_FALSE(Admits({10, 0, 0, 9}));
}

TEST_F(AccessControlTest, ThisComputerIsNeverRefused)
{
    const std::vector<Ipv4Address> own = {{127, 0, 0, 1}, kServerAddress, {10, 8, 0, 5}};
    ASSERT_TRUE(SetIpFilterType(2));
    ASSERT_TRUE(SetIpFilterList(AddressList{{255, 255, 255, 255}}));
    ASSERT_TRUE(SetAutoBlockList(own));
    for (const Ipv4Address& address : own) {
        EXPECT_TRUE(IsAddressBlocked(address)) << FormatAddress(address);
        EXPECT_TRUE(Admits(address)) << FormatAddress(address);
    }
    EXPECT_FALSE(Admits({192, 168, 1, 3}));
}

std::optional<BasicCredentials> Credentials(std::string_view authorization)
{
    Request request;
    request.Parse("GET / HTTP/1.1\r\nHost: x\r\n" + std::string(authorization) + "\r\n\r\n");
    return ParseBasicCredentials(request);
}

std::string Base64(std::string_view bytes)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 2]);
        text += kAlphabet[group >> 18];
        text += kAlphabet[(group >> 12) & 63];
        text += i + 1 < bytes.size() ? kAlphabet[(group >> 6) & 63] : '=';
        text += i + 2 < bytes.size() ? kAlphabet[group & 63] : '=';
    }
    return text;
}

TEST(ParseBasicCredentialsTest, AcceptsTheBasicSchemeOnly)
{
    struct Case {
        std::string header;
        std::optional<std::string> user;
        std::string password;
    };
    const std::string long_user(255, 'u');
    const Case cases[] = {
        {"Authorization: Basic " + Base64("alice:s3cret"), "alice", "s3cret"},
        {"authorization:basic\t \t" + Base64("alice:s3cret"), "alice", "s3cret"},
        {"Authorization: BASIC " + Base64("a:b:c"), "a", "b:c"},
        {"Authorization: Basic " + Base64(":"), "", ""},
        {"Authorization: Basic " + Base64(long_user + ":pw"), long_user, "pw"},
        {"Authorization: Basic " + Base64("user:" + std::string(300, 'p')), "user", std::string(255, 'p')},
        {"Authorization: Basic " + Base64(std::string(256, 'u') + ":pw"), std::nullopt, ""},
        {"Authorization: Basic " + Base64("alice"), std::nullopt, ""},
        {"Authorization: Basic " + Base64(std::string_view("al\0ce:pw", 8)), std::nullopt, ""},
        {"Authorization: Digest username=\"alice\"", std::nullopt, ""},
        {"Authorization: Basic YWxp Y2U6cHc=", std::nullopt, ""},
        {"Authorization: Basic", std::nullopt, ""},
        {"Authorization:", std::nullopt, ""},
        {"X-Authorization: Basic " + Base64("alice:s3cret"), std::nullopt, ""},
    };
    for (const Case& c : cases) {
        std::optional<BasicCredentials> parsed = Credentials(c.header);
        ASSERT_EQ(parsed.has_value(), c.user.has_value()) << c.header;
        if (!parsed) continue;
        EXPECT_EQ(parsed->user, *c.user);
        EXPECT_EQ(parsed->password, c.password);
    }
}

TEST_F(AccessControlTest, CredentialsMatchUserNamesInAnyCaseAndPasswordsExactly)
{
    ASSERT_TRUE(SetUserPassword("Alice", "Secret"));
    ASSERT_TRUE(SetUserPassword("bob", ""));
    struct Case {
        std::string credentials;
        bool valid;
    };
    const Case cases[] = {
        {"Alice:Secret", true},  {"alice:Secret", true},   {"ALICE:Secret", true},
        {"alice:secret", false}, {"alice:Secret ", false}, {"carol:Secret", false},
        {"bob:", true},          {"bob:x", false},         {":Secret", false},
    };
    for (const Case& c : cases) {
        Request request;
        request.Parse("GET / HTTP/1.1\r\nAuthorization: Basic " + Base64(c.credentials) + "\r\n\r\n");
        EXPECT_EQ(HasValidCredentials(request), c.valid) << c.credentials;
    }
}

// The time ConstantTimeEquals needs for texts of a mebibyte that differ in the first or only in
// the last byte. A comparison that stopped at the first difference would be some thousand times
// faster on the first pair; the bound below leaves a wide margin for a busy machine.
TEST(ConstantTimeEqualsTest, TakesAsLongWhereverTheTextsDiffer)
{
    const std::string secret(1 << 20, 'x');
    std::string early = secret;
    early.front() = 'y';
    std::string late = secret;
    late.back() = 'y';
    auto fastest = [&](const std::string& guess) {
        auto best = std::chrono::nanoseconds::max();
        for (int round = 0; round < 15; ++round) {
            const auto start = std::chrono::steady_clock::now();
            const bool equal = ConstantTimeEquals(secret, guess);
            best = std::min(best, std::chrono::steady_clock::now() - start);
            EXPECT_FALSE(equal);
        }
        return best;
    };
    const auto early_time = fastest(early);
    const auto late_time = fastest(late);
    EXPECT_GT(early_time * 8, late_time)
        << "early " << early_time.count() << " ns, late " << late_time.count();
    EXPECT_GT(late_time * 8, early_time)
        << "early " << early_time.count() << " ns, late " << late_time.count();
}

}  // namespace
}  // namespace vireo::testing
