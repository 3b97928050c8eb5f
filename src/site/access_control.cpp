#include "site/access_control.h"

#include <algorithm>

#include "base/ascii_case.h"
#include "base/base64.h"
#include "http/request.h"
#include "http/stream_socket.h"
#include "platform/interface_addresses.h"
#include "settings/settings.h"

namespace vireo {

namespace {

constexpr std::uint8_t kWildcardOctet = 255;
constexpr std::uint8_t kLoopbackNetwork = 127;

// The tests of this computer that need no system call.
bool IsLoopbackOrSelf(const Ipv4Address& peer, const Ipv4Address& local)
{
    return peer[0] == kLoopbackNetwork || peer == local;
}

bool IsHostAddress(const Ipv4Address& peer, HostAddressSource host_addresses)
{
    const std::vector<Ipv4Address> own = host_addresses();
    return std::ranges::find(own, peer) != own.end();
}

}  // namespace

std::vector<Ipv4Address> HostAddresses()
{
    std::vector<Ipv4Address> addresses;
    for (const InterfaceAddress& entry : InterfaceAddresses()) addresses.push_back(entry.address);
    return addresses;
}

bool IsLocalAddress(const Ipv4Address& peer, const Ipv4Address& local, HostAddressSource host_addresses)
{
    return IsLoopbackOrSelf(peer, local) || IsHostAddress(peer, host_addresses);
}

bool IsLocalPeer(const StreamSocket& socket)
{
    Ipv4Endpoint peer;
    Ipv4Endpoint local;
    if (!socket.PeerAddress(peer)) return false;
    socket.LocalAddress(local);
    return IsLocalAddress(peer.address, local.address);
}

bool FilterEntryMatches(const Ipv4Address& entry, const Ipv4Address& address)
{
    for (std::size_t i = 0; i < entry.size(); ++i) {
        if (entry[i] != kWildcardOctet && entry[i] != address[i]) return false;
    }
    return true;
}

bool IsAddressBlocked(const Ipv4Address& address)
{
    const IpFilterType mode = GetIpFilterType();
    if (mode != IpFilterType::Off) {
        const AddressList filter = GetIpFilterList();
        if (!filter.empty()) {
            const bool listed = std::ranges::any_of(
                filter, [&](const Ipv4Address& entry) { return FilterEntryMatches(entry, address); });
            if (mode == IpFilterType::Forbidden && listed) return true;
            if (mode == IpFilterType::AllowedOnly && !listed) return true;
        }
    }
    return GetUseAutoBlockList() && IsInAutoBlockList(address);
}

bool AdmitAddress(const Ipv4Address& peer, const Ipv4Address& local, HostAddressSource host_addresses)
{
    // The interfaces are asked last: they matter only for a peer the lists refuse.
    return IsLoopbackOrSelf(peer, local) || !IsAddressBlocked(peer) || IsHostAddress(peer, host_addresses);
}

bool AdmitConnection(const StreamSocket& socket)
{
    Ipv4Endpoint peer;
    Ipv4Endpoint local;
    if (!socket.PeerAddress(peer)) return false;
    socket.LocalAddress(local);
    return AdmitAddress(peer.address, local.address);
}

std::optional<BasicCredentials> ParseBasicCredentials(const Request& request)
{
    constexpr std::string_view kScheme = "Basic";
    std::string_view value = request.Header("Authorization");
    if (!StartsWithIgnoreCase(value, kScheme)) return std::nullopt;
    value.remove_prefix(kScheme.size());
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);

    std::optional<std::string> decoded = Base64Decode(value);
    if (!decoded) return std::nullopt;
    const std::string_view text = *decoded;
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon > kMaxCredentialLength) return std::nullopt;
    return BasicCredentials{std::string(text.substr(0, colon)),
                            std::string(text.substr(colon + 1, kMaxCredentialLength))};
}

bool HasValidCredentials(const Request& request)
{
    std::optional<BasicCredentials> credentials = ParseBasicCredentials(request);
    return credentials && CheckUserPassword(credentials->user, credentials->password);
}

}  // namespace vireo
