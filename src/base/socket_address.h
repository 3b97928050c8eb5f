#pragma once

#include <netinet/in.h>

#include "base/ipv4.h"

namespace vireo {

// An IPv4 endpoint as the socket calls take it, and back.
sockaddr_in ToSockaddr(const Ipv4Endpoint& endpoint);
Ipv4Endpoint FromSockaddr(const sockaddr_in& address);

}  // namespace vireo
