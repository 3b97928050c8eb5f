#include "community/web_community/record_time.h"

#include <array>
#include <cstdio>
#include <ctime>

namespace vireo {
namespace {

std::array<std::uint16_t, 8> Words(const RecordTime& time)
{
    return {time.year, time.month,  time.day_of_week, time.day,
            time.hour, time.minute, time.second,      time.milliseconds};
}

}  // namespace

RecordTime LocalRecordTime(std::chrono::system_clock::time_point when)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto since_second = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()) %
                              std::chrono::seconds(1);
    RecordTime time;
    time.year = static_cast<std::uint16_t>(local.tm_year + 1900);
    time.month = static_cast<std::uint16_t>(local.tm_mon + 1);
    time.day_of_week = static_cast<std::uint16_t>(local.tm_wday);
    time.day = static_cast<std::uint16_t>(local.tm_mday);
    time.hour = static_cast<std::uint16_t>(local.tm_hour);
    time.minute = static_cast<std::uint16_t>(local.tm_min);
    time.second = static_cast<std::uint16_t>(local.tm_sec);
    time.milliseconds = static_cast<std::uint16_t>(since_second.count() < 0 ? 0 : since_second.count());
    return time;
}

std::string FormatRecordTime(const RecordTime& time)
{
    char text[48];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", unsigned{time.year},
                  unsigned{time.month}, unsigned{time.day}, unsigned{time.hour}, unsigned{time.minute},
                  unsigned{time.second});
    return text;
}

void PutRecordTime(std::span<std::uint8_t, kRecordTimeSize> field, const RecordTime& time)
{
    const std::array<std::uint16_t, 8> words = Words(time);
    for (std::size_t i = 0; i < words.size(); ++i) {
        field[2 * i] = static_cast<std::uint8_t>(words[i]);
        field[2 * i + 1] = static_cast<std::uint8_t>(words[i] >> 8);
    }
}

RecordTime GetRecordTime(std::span<const std::uint8_t, kRecordTimeSize> field)
{
    auto word = [&](std::size_t i) {
        return static_cast<std::uint16_t>(field[2 * i] | field[2 * i + 1] << 8);
    };
    return {word(0), word(1), word(2), word(3), word(4), word(5), word(6), word(7)};
}

}  // namespace vireo
