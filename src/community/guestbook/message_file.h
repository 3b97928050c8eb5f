#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/ipv4.h"
#include "base/unique_fd.h"

namespace vireo {

// The highest counter a message file name takes: "a.b.c.d(9999).txt".
inline constexpr int kLastMessageCounter = 9999;

// The name of a sender's message file: "a.b.c.d.txt" for counter 1, "a.b.c.d(N).txt" above.
std::string MessageFileName(const Ipv4Address& sender, int counter);

// Creates a new message file of the sender in the folder, open for writing: the plain name when it is
// free, else the first free of "(2)", "(3)" ... "(9999)". Each name is taken by an exclusive create,
// so two posts at the same moment never pick the same name and none replaces a stored message.
// Nothing when every name is taken or a file cannot be created.
std::optional<UniqueFd> CreateMessageFile(std::string_view folder, const Ipv4Address& sender);

}  // namespace vireo
