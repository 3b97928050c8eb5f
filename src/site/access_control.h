#pragma once

// The gates in front of the site: which peers may connect at all (this computer always, others
// through the IP filter and the auto-block list) and which requests carry the credentials of a
// user account when password protection is on. Every test reads the store afresh, so a change
// applies to the next connection or request.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/ipv4.h"

namespace vireo {

class Request;
class StreamSocket;

// The IPv4 addresses of this computer's network interfaces.
std::vector<Ipv4Address> HostAddresses();

// Where the rules below get this computer's addresses from. Asking the system takes a while, so
// the rules ask only when the cheaper tests leave the answer open.
using HostAddressSource = std::vector<Ipv4Address> (*)();

// Whether a peer is this computer: a loopback address, the address the connection arrived at, or
// one of the computer's own addresses.
bool IsLocalAddress(const Ipv4Address& peer, const Ipv4Address& local,
                    HostAddressSource host_addresses = HostAddresses);
// The same test for the peer of an open socket; false when its address cannot be read.
bool IsLocalPeer(const StreamSocket& socket);

// True when one entry of the IP filter list matches the address: each octet of the entry is 255
// or equals the address's octet.
bool FilterEntryMatches(const Ipv4Address& entry, const Ipv4Address& address);
// True when the IP filter refuses the address, or the auto-block list holds it while that list
// is in use. An allowed-only filter without a stored list refuses nobody.
bool IsAddressBlocked(const Ipv4Address& address);

// Admission of a peer: this computer always, anyone else unless IsAddressBlocked.
bool AdmitAddress(const Ipv4Address& peer, const Ipv4Address& local,
                  HostAddressSource host_addresses = HostAddresses);
// Admission of an accepted connection; one whose peer address cannot be read is refused.
bool AdmitConnection(const StreamSocket& socket);

// Longest user name and password taken from a request, in bytes.
inline constexpr std::size_t kMaxCredentialLength = 255;

struct BasicCredentials {
    std::string user;
    std::string password;
};

// The user name and password of the request's "Authorization" header of the "Basic" scheme.
// Nothing when the header is missing, of another scheme, not Base64, without a ":" or with a
// user name longer than 255 bytes; a longer password is cut at 255 bytes. Empty names and
// passwords are returned as they are.
std::optional<BasicCredentials> ParseBasicCredentials(const Request& request);

// True when the request's Basic credentials name an account and carry its password.
bool HasValidCredentials(const Request& request);

}  // namespace vireo
