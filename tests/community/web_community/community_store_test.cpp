// The community records: their byte layouts and their life in the settings store.
#include "community/web_community/community_store.h"

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

constexpr std::string_view kMembersKey = "Software\\QUILLMARK\\Vireo\\WebCommClients";
constexpr std::string_view kHostsKey = "Software\\QUILLMARK\\Vireo\\WebCommLogin";

std::string TextAt(std::span<const std::uint8_t> record, std::size_t offset)
{
    return std::string(reinterpret_cast<const char*>(record.data() + offset));
}

TEST(CommunityRecords, TheMemberRecordLayout)
{
    const CommunityMember member{
        "m1", "Anna's site", "http://10.0.0.5:8080/", "photos", {2026, 12, 2, 8, 13, 5, 59, 999}};
    const auto bytes = EncodeMember(member);
    ASSERT_EQ(bytes.size(), 784u);
    EXPECT_EQ(TextAt(bytes, 0), "Anna's site");
    EXPECT_EQ(TextAt(bytes, 256), "http://10.0.0.5:8080/");
    EXPECT_EQ(TextAt(bytes, 512), "photos");
    const std::uint8_t time[16] = {0xEA, 0x07, 12, 0, 2, 0, 8, 0, 13, 0, 5, 0, 59, 0, 0xE7, 0x03};
    EXPECT_TRUE(std::equal(std::begin(time), std::end(time), bytes.begin() + 768));
    const CommunityMember decoded = DecodeMember("m1", bytes);
    EXPECT_EQ(decoded.name, member.name);
    EXPECT_EQ(decoded.page, member.page);
    EXPECT_EQ(decoded.description, member.description);
    EXPECT_EQ(decoded.last_login, member.last_login);
}

TEST(CommunityRecords, TheHostRecordLayoutAndItsFieldLimits)
{
    CommunityHost host{"id",
                       "name",
                       "icon.png",
                       "photos/",
                       "desc",
                       "http://host/WebCommunity/login",
                       "Host",
                       "host desc",
                       "http://host//WebCommunity/",
                       {2026, 1, 4, 1, 0, 0, 0, 0}};
    host.description = std::string(300, 'd');
    host.host_name = std::string(254, 'a') + "\xC3\xA9";  // the character would end past the field
    const auto bytes = EncodeHost(host);
    ASSERT_EQ(bytes.size(), 2064u);
    const char* fields[] = {"name",
                            "icon.png",
                            "photos/",
                            nullptr,
                            "http://host/WebCommunity/login",
                            nullptr,
                            "host desc",
                            "http://host//WebCommunity/"};
    for (std::size_t i = 0; i < 8; ++i) {
        if (fields[i]) {
            EXPECT_EQ(TextAt(bytes, 256 * i), fields[i]) << i;
        }
        EXPECT_EQ(bytes[256 * i + 255], 0) << i;
    }
    EXPECT_EQ(TextAt(bytes, 768), std::string(255, 'd'));
    EXPECT_EQ(TextAt(bytes, 1280), std::string(254, 'a'));
    EXPECT_EQ(bytes[2048], 0xEA);
    EXPECT_EQ(bytes[2049], 0x07);
    EXPECT_EQ(DecodeHost("id", bytes).last_login, host.last_login);

    // A field filled to its end without a zero reads as its 256 bytes, never past them.
    auto full = bytes;
    std::fill(full.begin(), full.begin() + 256, 'x');
    EXPECT_EQ(DecodeHost("id", full).site_name, std::string(256, 'x'));
    EXPECT_EQ(DecodeHost("id", full).icon, "icon.png");
}

TEST(CommunityStore, ListingDeletesValuesOfTheWrongSizeAndNamesThatAreNoId)
{
    TestHome home;
    const std::vector<std::uint8_t> short_value(783, 0);
    CommunityMember kept;
    kept.id = "b-kept";
    kept.name = "kept";
    ASSERT_TRUE(WriteMember(kept));
    ASSERT_TRUE(WriteBinaryValue(RegistryRoot::CurrentUser, kMembersKey, "a-short", short_value));
    ASSERT_TRUE(WriteStringValue(RegistryRoot::CurrentUser, kMembersKey, "c-text", "not a record"));
    ASSERT_TRUE(
        WriteBinaryValue(RegistryRoot::CurrentUser, kMembersKey, std::string(65, 'z'), EncodeMember({})));
    CommunityMember last;
    last.id = std::string(64, 'y');
    ASSERT_TRUE(WriteMember(last));

    EXPECT_FALSE(FindMember("a-short"));
    EXPECT_TRUE(ValueExists(RegistryRoot::CurrentUser, kMembersKey, "a-short"));  // a lookup deletes nothing
    const std::vector<CommunityMember> members = ListMembers();
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(members[0].id, "b-kept");
    EXPECT_EQ(members[0].name, "kept");
    EXPECT_EQ(members[1].id, std::string(64, 'y'));
    for (const std::string& name : {std::string("a-short"), std::string("c-text"), std::string(65, 'z')}) {
        EXPECT_FALSE(ValueExists(RegistryRoot::CurrentUser, kMembersKey, name)) << name;
    }

    // The hosts' key has its own size: a member record there is of the wrong size.
    ASSERT_TRUE(WriteBinaryValue(RegistryRoot::CurrentUser, kHostsKey, "wrong", EncodeMember({})));
    CommunityHost host;
    host.id = "Right";
    ASSERT_TRUE(WriteHost(host));
    EXPECT_FALSE(FindHost("wrong"));
    ASSERT_EQ(ListHosts().size(), 1u);
    EXPECT_FALSE(ValueExists(RegistryRoot::CurrentUser, kHostsKey, "wrong"));
    EXPECT_TRUE(FindHost("RIGHT"));
    EXPECT_TRUE(DeleteHost("right"));
    EXPECT_TRUE(ListHosts().empty());
}

TEST(CommunityStore, ReplacingAHostUnderANewIdLeavesOneRecord)
{
    TestHome home;
    CommunityHost host;
    host.id = "old";
    host.login_url = "http://a/login";
    ASSERT_TRUE(WriteHost(host));
    host.id = "New";
    host.login_url = "http://b/login";
    ASSERT_TRUE(ReplaceHost("OLD", host));
    ASSERT_EQ(ListHosts().size(), 1u);
    EXPECT_EQ(ListHosts()[0].id, "New");
    EXPECT_EQ(FindHost("new")->login_url, "http://b/login");

    // An ID the store cannot hold changes nothing.
    host.id = std::string(65, 'x');
    EXPECT_FALSE(ReplaceHost("New", host));
    EXPECT_TRUE(FindHost("New"));
    host.id = "added";
    ASSERT_TRUE(ReplaceHost("", host));
    EXPECT_EQ(ListHosts().size(), 2u);
}

TEST(CommunityStore, AnUpdateSeesTheRecordAsStoredAndWritesOnlyWhatItChanges)
{
    TestHome home;
    CommunityHost host;
    host.id = "me";
    host.login_url = "http://a/login";
    host.site_name = "before";
    ASSERT_TRUE(WriteHost(host));

    EXPECT_EQ(UpdateHost("gone", [](CommunityHost&) { return true; }), RecordUpdate::Missing);
    EXPECT_FALSE(FindHost("gone"));
    EXPECT_EQ(UpdateHost("ME",
                         [](CommunityHost& stored) {
                             stored.host_name = "changed";
                             return false;
                         }),
              RecordUpdate::Kept);
    EXPECT_EQ(FindHost("me")->host_name, "");
    EXPECT_EQ(UpdateHost("me",
                         [](CommunityHost& stored) {
                             EXPECT_EQ(stored.site_name, "before");
                             stored.host_name = "changed";
                             return true;
                         }),
              RecordUpdate::Stored);
    EXPECT_EQ(FindHost("me")->host_name, "changed");
    EXPECT_EQ(FindHost("me")->site_name, "before");
    EXPECT_EQ(UpdateMember(std::string(65, 'x'), [](CommunityMember&) { return true; }),
              RecordUpdate::Missing);
}

}  // namespace
}  // namespace vireo::testing
