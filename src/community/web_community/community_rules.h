#pragma once

// What the owner may put into the community records, checked alike by the community dialogs and by
// `vireo config community`: the IDs, the login address, and the page and icon a member names.
// IDs and addresses are taken trimmed; their lengths count bytes, as the records store them.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "community/web_community/community_records.h"

namespace vireo {

// A member ID a host hands out has 3 to 64 bytes. An ID a member logs in with may have 2, since
// it was made by a host the member does not control.
inline constexpr std::size_t kMinMemberIdLength = 3;
inline constexpr std::size_t kMinLoginIdLength = 2;
// A login address has 12 to 255 bytes ("http://a.b/c" is about the shortest that can work).
inline constexpr std::size_t kMinLoginUrlLength = 12;

bool IsMemberIdLength(std::string_view id);
bool IsLoginIdLength(std::string_view id);
bool IsLoginUrlLength(std::string_view url);

// A community the owner is offered when adding a host record: the maker's public test community.
inline constexpr std::string_view kTestCommunityId = "guest";
inline constexpr std::string_view kTestCommunityLoginUrl = "http://quillmark.example/WebCommunity/login";

// One page of the own site a member may send as its page: `path` is what the record stores.
struct PageChoice {
    std::string label;  // "[Root]", "[folder]", or a dynamic file's name
    std::string path;   // "", "folder/", or the file's name
};

// Every page a member may name, in the order they are offered: the root, each shared folder in
// settings order, the chat room and the community page, then the dynamic files.
std::vector<PageChoice> MemberPageChoices();
// Whether the path is one of those (letter case ignored, as names are in the store).
bool IsMemberPage(std::string_view path);

// The names of the dynamic files that are pictures, sorted (letter case ignored): the icons a
// member may send.
std::vector<std::string> MemberIconChoices();
// An empty icon, or one of those.
bool IsMemberIcon(std::string_view icon);

// A login time as lists show it: empty before the first login, else "YYYY-MM-DD HH:MM:SS".
std::string FormatLoginTime(const RecordTime& time);

}  // namespace vireo
