#pragma once

// The command groups of `vireo config`, each in its own file, and what they share.

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace vireo::config_command {

using Words = std::span<const std::string>;

inline constexpr int kSuccess = 0;
inline constexpr int kStoreFailure = 1;
inline constexpr int kBadInput = 2;

// Writes "vireo config: " and the message as one line and returns kBadInput.
int BadInput(std::ostream& err, std::string_view message);
// Reports that the store could not be written and returns kStoreFailure.
int StoreFailure(std::ostream& err);

// A text as `show` prints it: in double quotes, with the characters that would break the line or
// the quotes written as escapes.
std::string QuoteText(std::string_view text);
// A directory typed on the command line as the store keeps it: absolute, without "." and ".."
// elements, in the program's path form. Nothing when it is no existing directory.
std::optional<std::string> StoredDirectoryPath(const std::string& typed);

// The words after "show", "get", "set", "folder", "user", "file", "ipfilter", "autoblock",
// "extension" and "community".
int RunShow(Words args, std::ostream& out, std::ostream& err);
int RunGet(Words args, std::ostream& out, std::ostream& err);
int RunSet(Words args, std::ostream& err);
int RunFolder(Words args, std::ostream& out, std::ostream& err);
int RunUser(Words args, std::ostream& out, std::ostream& err);
int RunFile(Words args, std::ostream& out, std::ostream& err);
int RunIpFilter(Words args, std::ostream& out, std::ostream& err);
int RunAutoBlock(Words args, std::ostream& out, std::ostream& err);
int RunExtension(Words args, std::ostream& out, std::ostream& err);
int RunCommunity(Words args, std::ostream& out, std::ostream& err);

}  // namespace vireo::config_command
