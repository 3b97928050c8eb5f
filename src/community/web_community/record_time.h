#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

namespace vireo {

// A login time as the community records keep it: eight 16-bit words in local time, all zero
// before the first login.
struct RecordTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t day_of_week = 0;  // 0 is Sunday
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;

    bool IsZero() const { return *this == RecordTime{}; }
    bool operator==(const RecordTime&) const = default;
};

inline constexpr std::size_t kRecordTimeSize = 16;

// The local time of a moment (now by default).
RecordTime LocalRecordTime(std::chrono::system_clock::time_point when = std::chrono::system_clock::now());
// "YYYY-MM-DD HH:MM:SS"
std::string FormatRecordTime(const RecordTime& time);

// The 16 bytes of a time, each word least significant byte first.
void PutRecordTime(std::span<std::uint8_t, kRecordTimeSize> field, const RecordTime& time);
RecordTime GetRecordTime(std::span<const std::uint8_t, kRecordTimeSize> field);

}  // namespace vireo
