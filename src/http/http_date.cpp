#include "http/http_date.h"

#include <array>
#include <cstdio>

#include "base/ascii_case.h"

namespace vireo {
namespace {

constexpr std::array<std::string_view, 7> kDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Walks a date text from the front; every Take* returns nullopt/false without a match.
class DateScanner {
public:
    explicit DateScanner(std::string_view text) : rest_(text) {}

    bool AtEnd() const { return rest_.empty(); }
    std::size_t Left() const { return rest_.size(); }
    bool Take(char c)
    {
        if (!rest_.starts_with(c)) return false;
        rest_.remove_prefix(1);
        return true;
    }
    // Takes at least one blank; asctime pads one-digit days with a second space.
    bool TakeBlanks()
    {
        std::size_t n = rest_.find_first_not_of(' ');
        n = n == std::string_view::npos ? rest_.size() : n;
        rest_.remove_prefix(n);
        return n > 0;
    }
    bool TakeWord(std::string_view word)
    {
        if (!StartsWithIgnoreCase(rest_, word)) return false;
        rest_.remove_prefix(word.size());
        return true;
    }
    // A day name, short or long; its value is not checked against the date.
    bool TakeDayName()
    {
        std::size_t n = 0;
        while (n < rest_.size() &&
               ((rest_[n] >= 'A' && rest_[n] <= 'Z') || (rest_[n] >= 'a' && rest_[n] <= 'z'))) {
            ++n;
        }
        rest_.remove_prefix(n);
        return n >= 3;
    }
    std::optional<int> TakeMonth()
    {
        for (std::size_t i = 0; i < kMonthNames.size(); ++i) {
            if (TakeWord(kMonthNames[i])) return static_cast<int>(i);
        }
        return std::nullopt;
    }
    // Between min_digits and max_digits decimal digits.
    std::optional<int> TakeNumber(std::size_t min_digits, std::size_t max_digits)
    {
        int value = 0;
        std::size_t n = 0;
        while (n < max_digits && n < rest_.size() && rest_[n] >= '0' && rest_[n] <= '9') {
            value = value * 10 + (rest_[n] - '0');
            ++n;
        }
        if (n < min_digits) return std::nullopt;
        rest_.remove_prefix(n);
        return value;
    }
    // "HH:MM:SS" into the hour, minute and second of `tm`.
    bool TakeTime(std::tm& tm)
    {
        std::optional<int> hour = TakeNumber(2, 2);
        if (!hour || !Take(':')) return false;
        std::optional<int> minute = TakeNumber(2, 2);
        if (!minute || !Take(':')) return false;
        std::optional<int> second = TakeNumber(2, 2);
        if (!second || *hour > 23 || *minute > 59 || *second > 60) return false;
        tm.tm_hour = *hour;
        tm.tm_min = *minute;
        tm.tm_sec = *second;
        return true;
    }

private:
    std::string_view rest_;
};

bool SetDay(std::tm& tm, std::optional<int> day)
{
    if (!day || *day < 1 || *day > 31) return false;
    tm.tm_mday = *day;
    return true;
}

// "06 Nov 1994 08:49:37 GMT" or "06-Nov-94 08:49:37 GMT", behind the day name and comma.
bool ParseAfterComma(DateScanner& scan, std::tm& tm)
{
    scan.TakeBlanks();
    if (!SetDay(tm, scan.TakeNumber(1, 2))) return false;
    char separator = scan.Take('-') ? '-' : ' ';
    if (separator == ' ' && !scan.TakeBlanks()) return false;
    std::optional<int> month = scan.TakeMonth();
    if (!month || !(separator == '-' ? scan.Take('-') : scan.TakeBlanks())) return false;
    const std::size_t before_year = scan.Left();
    std::optional<int> year = scan.TakeNumber(2, 4);
    const bool two_digit_year = before_year - scan.Left() == 2;
    if (!year || !scan.TakeBlanks() || !scan.TakeTime(tm) || !scan.TakeBlanks() || !scan.TakeWord("GMT")) {
        return false;
    }
    // Two-digit years come from RFC 850 dates; the older century ends at 1969. A year written with
    // more digits is that year, even the year 50.
    if (two_digit_year) *year += *year < 70 ? 2000 : 1900;
    tm.tm_mon = *month;
    tm.tm_year = *year - 1900;
    return true;
}

// "Nov  6 08:49:37 1994", behind the day name.
bool ParseAsctime(DateScanner& scan, std::tm& tm)
{
    std::optional<int> month = scan.TakeMonth();
    if (!month || !scan.TakeBlanks() || !SetDay(tm, scan.TakeNumber(1, 2)) || !scan.TakeBlanks() ||
        !scan.TakeTime(tm) || !scan.TakeBlanks()) {
        return false;
    }
    std::optional<int> year = scan.TakeNumber(4, 4);
    if (!year) return false;
    tm.tm_mon = *month;
    tm.tm_year = *year - 1900;
    return true;
}

}  // namespace

std::optional<std::string> FormatHttpDate(std::time_t time)
{
    std::tm tm{};
    if (!gmtime_r(&time, &tm) || tm.tm_year + 1900 < 0 || tm.tm_year + 1900 > 9999) return std::nullopt;
    char text[32];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDayNames[tm.tm_wday].data(),
                  tm.tm_mday, kMonthNames[tm.tm_mon].data(), tm.tm_year + 1900, tm.tm_hour, tm.tm_min,
                  tm.tm_sec);
    return std::string(text);
}

std::optional<std::time_t> ParseHttpDate(std::string_view text)
{
    DateScanner scan(text);
    scan.TakeBlanks();
    if (!scan.TakeDayName()) return std::nullopt;
    std::tm tm{};
    bool parsed = scan.Take(',') ? ParseAfterComma(scan, tm) : scan.TakeBlanks() && ParseAsctime(scan, tm);
    if (!parsed) return std::nullopt;
    scan.TakeBlanks();
    if (!scan.AtEnd() && !scan.Take(';')) return std::nullopt;
    // Four-digit years always fit a 64-bit time, so this cannot fail.
    return timegm(&tm);
}

}  // namespace vireo
