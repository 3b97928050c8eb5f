#pragma once

#include <span>
#include <vector>

#include "base/ipv4.h"
#include "platform/registry.h"

namespace vireo {

// The entries of "IPFilterList" or "AutoBlockList", in the order they were added. Stored packed,
// four bytes an entry in address order; a trailing part shorter than an entry is ignored. In the
// filter list an octet of 255 matches any number; the auto-block list holds exact addresses.
using AddressList = std::vector<Ipv4Address>;

AddressList GetIpFilterList();
AddressList GetAutoBlockList();
// Replaces the whole list; an empty list removes the value, since an empty one is never stored.
bool SetIpFilterList(std::span<const Ipv4Address> list);
bool SetAutoBlockList(std::span<const Ipv4Address> list);

// The filter's list and its type (0 off, 1 allowed only, 2 forbidden) in one transaction.
bool SetIpFilter(std::span<const Ipv4Address> list, std::uint32_t type);
// Removes these addresses from the auto-block list in one transaction, keeping every address
// appended meanwhile by the server.
bool RemoveAllFromAutoBlockList(std::span<const Ipv4Address> addresses);

// Appends the address unless an equal entry is there already (the value then stays exactly as it
// was). Concurrent appends never lose one another. True when the address is in the list afterwards.
bool AddToIpFilterList(const Ipv4Address& address);
bool AddToAutoBlockList(const Ipv4Address& address);

// Removes the entry equal to the address, in one step with respect to concurrent appends.
EntryRemoval RemoveFromIpFilterList(const Ipv4Address& address);
EntryRemoval RemoveFromAutoBlockList(const Ipv4Address& address);

// True when an entry of the auto-block list equals the address in all four octets.
bool IsInAutoBlockList(const Ipv4Address& address);

}  // namespace vireo
