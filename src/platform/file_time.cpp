#include "platform/file_time.h"

namespace vireo {

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kEpochGapSeconds = 11'644'473'600;

}  // namespace

FileTime FileTimeFromTimespec(const timespec& when)
{
    if (when.tv_sec < -kEpochGapSeconds) return 0;
    return static_cast<FileTime>(when.tv_sec + kEpochGapSeconds) * kTicksPerSecond +
           static_cast<FileTime>(when.tv_nsec / 100);
}

std::time_t UnixTimeFromFileTime(FileTime when)
{
    return static_cast<std::time_t>(static_cast<std::int64_t>(when / kTicksPerSecond) - kEpochGapSeconds);
}

FileTime FileTimeFromUnixTime(std::time_t when)
{
    return FileTimeFromTimespec(timespec{when, 0});
}

}  // namespace vireo
