#pragma once

#include <cstdint>
#include <string>

#include "base/ipv4.h"

namespace vireo {

// What the room knows of one member, as its readers get it: a copy taken under the room's lock.
struct ChatMember {
    std::uint32_t id = 0;  // issued by the frameset page, carried by every request of the member
    std::string name;      // "Guest" and the id until the member picks a name
    Ipv4Address address{};
    bool host = false;  // the member is on this computer and may use the host's commands
};

// The longest name a member may choose, in bytes.
inline constexpr std::size_t kMaxChatNameBytes = 30;

}  // namespace vireo
