#include "community/web_community/community_records.h"

#include <algorithm>
#include <cstring>

#include "base/utf8.h"

namespace vireo {
namespace {

constexpr std::size_t kField = 256;

void PutText(std::span<std::uint8_t> record, std::size_t field, std::string_view text)
{
    const std::string_view kept =
        CutUtf8(text.substr(0, std::min(text.find('\0'), text.size())), kMaxRecordText);
    std::memcpy(record.data() + field * kField, kept.data(), kept.size());
}

std::string GetText(std::span<const std::uint8_t> record, std::size_t field)
{
    const std::span<const std::uint8_t> bytes = record.subspan(field * kField, kField);
    return std::string(bytes.begin(), std::find(bytes.begin(), bytes.end(), std::uint8_t{0}));
}

}  // namespace

std::array<std::uint8_t, kMemberRecordSize> EncodeMember(const CommunityMember& member)
{
    std::array<std::uint8_t, kMemberRecordSize> record{};
    PutText(record, 0, member.name);
    PutText(record, 1, member.page);
    PutText(record, 2, member.description);
    PutRecordTime(std::span(record).subspan<3 * kField, kRecordTimeSize>(), member.last_login);
    return record;
}

std::array<std::uint8_t, kHostRecordSize> EncodeHost(const CommunityHost& host)
{
    std::array<std::uint8_t, kHostRecordSize> record{};
    PutText(record, 0, host.site_name);
    PutText(record, 1, host.icon);
    PutText(record, 2, host.page_path);
    PutText(record, 3, host.description);
    PutText(record, 4, host.login_url);
    PutText(record, 5, host.host_name);
    PutText(record, 6, host.host_description);
    PutText(record, 7, host.host_page);
    PutRecordTime(std::span(record).subspan<8 * kField, kRecordTimeSize>(), host.last_login);
    return record;
}

CommunityMember DecodeMember(std::string id, std::span<const std::uint8_t, kMemberRecordSize> bytes)
{
    return {std::move(id), GetText(bytes, 0), GetText(bytes, 1), GetText(bytes, 2),
            GetRecordTime(bytes.subspan<3 * kField, kRecordTimeSize>())};
}

CommunityHost DecodeHost(std::string id, std::span<const std::uint8_t, kHostRecordSize> bytes)
{
    return {std::move(id),     GetText(bytes, 0),
            GetText(bytes, 1), GetText(bytes, 2),
            GetText(bytes, 3), GetText(bytes, 4),
            GetText(bytes, 5), GetText(bytes, 6),
            GetText(bytes, 7), GetRecordTime(bytes.subspan<8 * kField, kRecordTimeSize>())};
}

}  // namespace vireo
