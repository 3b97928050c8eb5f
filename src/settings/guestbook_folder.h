#pragma once

#include <optional>
#include <string>

namespace vireo {

// The folder that holds the guestbook's messages: "GuestbookDir" when it names a folder on a
// local fixed disk, else the documents folder's "VireoGuestbook". With create set, the folders
// above it are made; if the folder still does not exist then, the documents folder's
// "VireoGuestbook" is created, stored as "GuestbookDir" and used instead. Nothing only when no
// home folder is known.
std::optional<std::string> GetGuestbookFolder(bool create);

}  // namespace vireo
