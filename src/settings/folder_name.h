#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vireo {

// The longest URL name a virtual folder may have, in bytes; longer names would not be listed.
inline constexpr std::size_t kMaxFolderNameLength = 47;

// True for the names that address the built-in applications ("Guestbook", "Webchat", "WebCommunity",
// "Extension", in any letter case): no folder or dynamic file may take one.
bool IsBuiltInPageName(std::string_view name);

// Checks a virtual folder's URL name as the folder dialog does: not empty after trimming, none
// of the characters # % & * / : < > ? @ \ | and the double quote, none of the names that address
// the built-in applications (in any letter case), not "." or "..", at most 47 bytes. Nothing when the name is
// acceptable, otherwise why it is not, as a sentence fragment for the user.
std::optional<std::string> CheckFolderName(std::string_view name);

}  // namespace vireo
