#pragma once

// The two record kinds of the web community, in the byte layouts the settings store keeps them in.
// Every text field holds at most 255 bytes and a terminating zero.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "community/web_community/record_time.h"

namespace vireo {

// A member ID (the value name of either record) has 1 to 64 bytes.
inline constexpr std::size_t kMaxCommunityIdLength = 64;
// The longest text a record field holds.
inline constexpr std::size_t kMaxRecordText = 255;

// A host's record of one member server, kept under the member ID.
struct CommunityMember {
    std::string id;
    std::string name;  // the member's site name
    std::string page;  // the member's page address, the "url" of its last login
    std::string description;
    RecordTime last_login;
};

// A member's record of one community it logs in to, kept under the member ID it logs in with.
struct CommunityHost {
    std::string id;
    std::string site_name;  // sent as "name"
    std::string icon;       // a dynamic file's name, or empty
    std::string
        page_path;  // relative to the site address: "", "folder/", "Webchat/", "WebCommunity/", a file
    std::string description;  // sent as "desc"
    std::string login_url;
    std::string host_name;         // from the last accepted reply; cleared on failure
    std::string host_description;  // from the last accepted reply, or the last failure's text
    std::string host_page;         // from the last accepted reply; cleared on failure
    RecordTime last_login;         // of the last accepted login
};

inline constexpr std::size_t kMemberRecordSize = 784;
inline constexpr std::size_t kHostRecordSize = 2064;

// Texts longer than a field are cut (never inside a UTF-8 sequence). The ID is not part of the bytes.
std::array<std::uint8_t, kMemberRecordSize> EncodeMember(const CommunityMember& member);
std::array<std::uint8_t, kHostRecordSize> EncodeHost(const CommunityHost& host);
// Texts end at their first zero byte or at the end of their field.
CommunityMember DecodeMember(std::string id, std::span<const std::uint8_t, kMemberRecordSize> bytes);
CommunityHost DecodeHost(std::string id, std::span<const std::uint8_t, kHostRecordSize> bytes);

}  // namespace vireo
