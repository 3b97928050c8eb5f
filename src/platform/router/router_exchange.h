#pragma once

// The two ways router discovery talks to a gateway, each within its own time limit.

#include <chrono>
#include <optional>
#include <string>

#include "base/ipv4.h"
#include "platform/router/upnp_requests.h"

namespace vireo {

// Each step of router discovery gets this long from its own start.
inline constexpr std::chrono::milliseconds kRouterStepLimit{3000};
// A search answer is read into this many bytes at most.
inline constexpr std::size_t kSearchAnswerBytes = 1024;
// A gateway's HTTP reply, head and body, may be this long at most.
inline constexpr std::size_t kRouterReplyBytes = 256 * 1024;

// Sends the search for `search_target` to the gateway's port 1900 and returns the "Location" of
// the first datagram that comes back from there; nothing when none comes within the limit or it
// names no location.
std::optional<std::string> SearchGateway(const Ipv4Address& gateway, std::string_view search_target,
                                         std::chrono::milliseconds limit = kRouterStepLimit);

// Sends the request and returns the body of the reply; nothing when the host cannot be resolved
// or reached, or the whole reply has not come within the limit.
std::optional<std::string> FetchReplyBody(const HttpRequest& request,
                                          std::chrono::milliseconds limit = kRouterStepLimit);

}  // namespace vireo
