#pragma once

// The community records in the settings store: the host's members and the member's hosts, each a
// binary value named by its member ID (names compare without regard to letter case). A value of
// the wrong size, or with a name that is no ID, is deleted when a listing meets it and is never
// found by ID.

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "community/web_community/community_records.h"

namespace vireo {

// A name of 1 to 64 bytes.
bool IsCommunityId(std::string_view id);

std::vector<CommunityMember> ListMembers();
std::optional<CommunityMember> FindMember(std::string_view id);
bool WriteMember(const CommunityMember& member);
bool DeleteMember(std::string_view id);

std::vector<CommunityHost> ListHosts();
// Stores the host after deleting the record of `old_id` (an edit that may change the ID), in one
// transaction; an empty `old_id` adds a host.
bool ReplaceHost(std::string_view old_id, const CommunityHost& host);
std::optional<CommunityHost> FindHost(std::string_view id);
bool WriteHost(const CommunityHost& host);
bool DeleteHost(std::string_view id);

enum class RecordUpdate {
    Stored,   // the change was written
    Kept,     // the change chose to leave the record as it was
    Missing,  // there is no record of that ID (or one of the wrong size)
    Failed,   // the store could not be read or written
};

// Changes one existing record in a single store transaction: `change` is shown the record as it is
// stored at that moment and returns whether to write what it made of it. A record removed
// meanwhile stays removed; nothing else can write between the reading and the writing.
RecordUpdate UpdateMember(std::string_view id, const std::function<bool(CommunityMember&)>& change);
RecordUpdate UpdateHost(std::string_view id, const std::function<bool(CommunityHost&)>& change);

}  // namespace vireo
