// The community records as the store may hold them: any bytes under any name in the members' and
// the hosts' keys of a private store. A listing returns only records of the right size under a
// usable ID and deletes the rest; what it returns is the stored bytes read field by field, and
// written again reads back the same.
//
// Input: byte 0, bit 0 chooses the key (members, hosts); byte 1 is the name's length (0 to 80);
// then the name, then the stored value (padded with zeros or cut to the record's size when byte
// 0, bit 1 is set).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/utf8.h"
#include "community/web_community/community_store.h"
#include "fuzz_support.h"
#include "platform/registry.h"

namespace vireo::fuzz {
namespace {

constexpr std::string_view kKeys[] = {"Software\\QUILLMARK\\Vireo\\WebCommClients",
                                      "Software\\QUILLMARK\\Vireo\\WebCommLogin"};

// The text of a 256-byte field up to its first zero.
std::string_view FieldText(std::span<const std::uint8_t> value, std::size_t field)
{
    const std::string_view bytes(reinterpret_cast<const char*>(value.data()) + field * 256, 256);
    return bytes.substr(0, bytes.find('\0'));
}

// What a text reads as once written again: its first 255 bytes, never cut inside a character.
bool RewrittenAs(std::string_view original, std::string_view reread)
{
    return reread == CutUtf8(original, 255);
}

}  // namespace
}  // namespace vireo::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vireo::fuzz::PrivateHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo;
    using namespace vireo::fuzz;
    if (size < 2) return 0;
    const bool hosts = (data[0] & 1) != 0;
    const bool fit = (data[0] & 2) != 0;
    const std::size_t name_length = std::min<std::size_t>(data[1] % 81u, size - 2);
    const std::string name(reinterpret_cast<const char*>(data + 2), name_length);
    std::vector<std::uint8_t> value(data + 2 + name_length, data + size);
    const std::size_t record_size = hosts ? kHostRecordSize : kMemberRecordSize;
    if (fit) value.resize(record_size);
    const std::string_view key = kKeys[hosts ? 1 : 0];

    DeleteKeyTree(RegistryRoot::CurrentUser, key);
    // Names end at a zero byte in the store's API as in the registry's.
    const std::string stored_name = name.substr(0, name.find('\0'));
    if (!WriteBinaryValue(RegistryRoot::CurrentUser, key, stored_name, value)) return 0;
    const bool usable = IsCommunityId(stored_name) && value.size() == record_size;

    if (hosts) {
        const std::vector<CommunityHost> listed = ListHosts();
        Require(listed.size() == (usable ? 1u : 0u));
        if (usable) {
            const CommunityHost& host = listed[0];
            const std::string_view fields[] = {host.site_name,        host.icon,      host.page_path,
                                               host.description,      host.login_url, host.host_name,
                                               host.host_description, host.host_page};
            for (std::size_t i = 0; i < 8; ++i) Require(fields[i] == FieldText(value, i));
            WriteHost(host);
            const std::optional<CommunityHost> again = FindHost(stored_name);
            Require(again.has_value());
            Require(RewrittenAs(host.host_description, again->host_description) &&
                    RewrittenAs(host.login_url, again->login_url) && again->last_login == host.last_login);
        }
    } else {
        const std::vector<CommunityMember> listed = ListMembers();
        Require(listed.size() == (usable ? 1u : 0u));
        if (usable) {
            const CommunityMember& member = listed[0];
            Require(member.name == FieldText(value, 0) && member.page == FieldText(value, 1) &&
                    member.description == FieldText(value, 2));
            WriteMember(member);
            const std::optional<CommunityMember> again = FindMember(stored_name);
            Require(again.has_value());
            Require(RewrittenAs(member.name, again->name) && RewrittenAs(member.page, again->page) &&
                    again->last_login == member.last_login);
        }
    }
    // A value that is no record is gone after the listing.
    Require(usable == ValueExists(RegistryRoot::CurrentUser, key, stored_name) || stored_name.empty());
    return 0;
}
