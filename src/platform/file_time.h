#pragma once

#include <cstdint>
#include <ctime>

namespace vireo {

// A time as a count of 100-nanosecond intervals since 1601-01-01 UTC. Entity tags and the
// conditional-request tests are defined on this form, so it is kept wherever a file's times are.
using FileTime = std::uint64_t;

FileTime FileTimeFromTimespec(const timespec& when);
// Whole seconds since 1970 of a file time; negative before 1970.
std::time_t UnixTimeFromFileTime(FileTime when);
FileTime FileTimeFromUnixTime(std::time_t when);

}  // namespace vireo
