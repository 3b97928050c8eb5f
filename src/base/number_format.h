#pragma once

#include <cstdint>
#include <string>

namespace vireo {

// The number in decimal with "," between groups of three digits: 1234567 -> "1,234,567".
std::string FormatGrouped(std::uint64_t value);

}  // namespace vireo
