#pragma once

#include <string_view>

namespace vireo {

// The maker's product page: linked from the page footers and the "Powered by" cells.
inline constexpr std::string_view kMakerUrl = "https://quillmark.example/vireo";
// The value of every answer's "Server" header.
inline constexpr std::string_view kServerName = "Vireo 6.5 (https://quillmark.example/vireo)";

}  // namespace vireo
