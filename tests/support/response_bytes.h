#pragma once

#include <string>

#include "http/response.h"

namespace vireo::testing {

// Everything a finished response hands to the sender, read in pieces of `chunk` bytes.
inline std::string ReadAll(Response& response, std::size_t chunk = 8192)
{
    std::string out;
    std::string buffer(chunk, '\0');
    while (std::size_t n = response.ReadNext(buffer.data(), buffer.size())) out.append(buffer, 0, n);
    return out;
}

}  // namespace vireo::testing
