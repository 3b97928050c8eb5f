#include "community/web_community/community_store.h"

#include <limits>

#include "platform/registry.h"

namespace vireo {
namespace {

constexpr RegistryRoot kRoot = RegistryRoot::CurrentUser;

// What the store functions need to know of a record kind.
struct MemberKind {
    using Record = CommunityMember;
    static constexpr std::string_view kKey = "Software\\QUILLMARK\\Vireo\\WebCommClients";
    static constexpr std::size_t kSize = kMemberRecordSize;
    static Record Decode(std::string id, std::span<const std::uint8_t, kSize> bytes)
    {
        return DecodeMember(std::move(id), bytes);
    }
    static std::array<std::uint8_t, kSize> Encode(const Record& record) { return EncodeMember(record); }
};

struct HostKind {
    using Record = CommunityHost;
    static constexpr std::string_view kKey = "Software\\QUILLMARK\\Vireo\\WebCommLogin";
    static constexpr std::size_t kSize = kHostRecordSize;
    static Record Decode(std::string id, std::span<const std::uint8_t, kSize> bytes)
    {
        return DecodeHost(std::move(id), bytes);
    }
    static std::array<std::uint8_t, kSize> Encode(const Record& record) { return EncodeHost(record); }
};

template <typename Kind>
std::optional<typename Kind::Record> Decoded(std::string id, std::span<const std::uint8_t> bytes)
{
    if (bytes.size() != Kind::kSize) return std::nullopt;
    return Kind::Decode(std::move(id), bytes.template first<Kind::kSize>());
}

template <typename Kind>
std::vector<typename Kind::Record> List()
{
    std::vector<typename Kind::Record> records;
    for (int index = 0;;) {
        std::optional<std::string> name =
            EnumValueName(kRoot, Kind::kKey, index, std::numeric_limits<std::size_t>::max());
        if (!name) return records;
        std::optional<BinaryValue> value;
        if (IsCommunityId(*name)) value = ReadBinaryValue(kRoot, Kind::kKey, *name);
        if (value) {
            if (auto record = Decoded<Kind>(*name, value->bytes())) {
                records.push_back(std::move(*record));
                ++index;
                continue;
            }
        }
        // The next value moves up to this index once this one is gone; if it cannot be deleted,
        // the listing passes over it.
        if (!DeleteValue(kRoot, Kind::kKey, *name)) ++index;
    }
}

template <typename Kind>
std::optional<typename Kind::Record> Find(std::string_view id)
{
    if (!IsCommunityId(id)) return std::nullopt;
    std::optional<BinaryValue> value = ReadBinaryValue(kRoot, Kind::kKey, id);
    if (!value) return std::nullopt;
    return Decoded<Kind>(std::string(id), value->bytes());
}

template <typename Kind>
bool Write(const typename Kind::Record& record)
{
    if (!IsCommunityId(record.id)) return false;
    return WriteBinaryValue(kRoot, Kind::kKey, record.id, Kind::Encode(record));
}

template <typename Kind>
bool Delete(std::string_view id)
{
    return IsCommunityId(id) && DeleteValue(kRoot, Kind::kKey, id);
}

template <typename Kind>
RecordUpdate Update(std::string_view id, const std::function<bool(typename Kind::Record&)>& change)
{
    if (!IsCommunityId(id)) return RecordUpdate::Missing;
    bool found = false;
    const UpdateOutcome outcome =
        UpdateBinaryValue(kRoot, Kind::kKey, id, [&](std::optional<std::span<const std::uint8_t>> stored) {
            BinaryUpdate update;
            std::optional<typename Kind::Record> record;
            if (stored) record = Decoded<Kind>(std::string(id), *stored);
            found = record.has_value();
            if (!record || !change(*record)) return update;
            const auto bytes = Kind::Encode(*record);
            update.action = BinaryUpdate::Action::Store;
            update.bytes.assign(bytes.begin(), bytes.end());
            return update;
        });
    switch (outcome) {
        case UpdateOutcome::Stored:
            return RecordUpdate::Stored;
        case UpdateOutcome::Kept:
            return found ? RecordUpdate::Kept : RecordUpdate::Missing;
        case UpdateOutcome::Failed:
            return RecordUpdate::Failed;
    }
    return RecordUpdate::Failed;
}

}  // namespace

bool IsCommunityId(std::string_view id)
{
    return !id.empty() && id.size() <= kMaxCommunityIdLength;
}

std::vector<CommunityMember> ListMembers()
{
    return List<MemberKind>();
}

std::optional<CommunityMember> FindMember(std::string_view id)
{
    return Find<MemberKind>(id);
}

bool WriteMember(const CommunityMember& member)
{
    return Write<MemberKind>(member);
}

bool DeleteMember(std::string_view id)
{
    return Delete<MemberKind>(id);
}

std::vector<CommunityHost> ListHosts()
{
    return List<HostKind>();
}

std::optional<CommunityHost> FindHost(std::string_view id)
{
    return Find<HostKind>(id);
}

bool WriteHost(const CommunityHost& host)
{
    return Write<HostKind>(host);
}

bool ReplaceHost(std::string_view old_id, const CommunityHost& host)
{
    if (!IsCommunityId(host.id) || (!old_id.empty() && !IsCommunityId(old_id))) return false;
    RegistryEdit edit;
    if (!old_id.empty()) edit.RemoveValue(HostKind::kKey, old_id);
    const auto bytes = HostKind::Encode(host);
    edit.Write(HostKind::kKey, host.id, ValueType::Binary, bytes);
    return edit.Commit(kRoot);
}

bool DeleteHost(std::string_view id)
{
    return Delete<HostKind>(id);
}

RecordUpdate UpdateMember(std::string_view id, const std::function<bool(CommunityMember&)>& change)
{
    return Update<MemberKind>(id, change);
}

RecordUpdate UpdateHost(std::string_view id, const std::function<bool(CommunityHost&)>& change)
{
    return Update<HostKind>(id, change);
}

}  // namespace vireo
