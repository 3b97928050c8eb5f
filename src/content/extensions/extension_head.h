#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace vireo {

// The head the server builds for a program's answer: "200 OK", the content type, then
// "Content-Length" when the length is given and "Transfer-Encoding: chunked" when not, the date of
// `now` and the server's name.
std::string BuildExtensionHead(std::string_view content_type, std::optional<std::uint64_t> content_length,
                               std::time_t now);

}  // namespace vireo
