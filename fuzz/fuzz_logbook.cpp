// The logbook: ListRecords over any log and search text, and FormatLogRecord over any request and
// message: a record keeps a visitor's text but none of its control bytes, and a search lists
// records whole. Input: the search text (also the message), "\n", then the log (also the request).
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "site/logbook.h"

namespace vireo::fuzz {
namespace {

// Non-overlapping occurrences from the left, as a search finds them.
std::size_t Occurrences(std::string_view text, std::string_view part)
{
    std::size_t count = 0;
    if (part.empty()) return count;
    for (std::size_t at = text.find(part); at != std::string_view::npos;
         at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

// True when the only control bytes are TABs and CR LF pairs: nothing that could start a line of
// its own or reach a terminal.
bool OnlyTabsAndLinePairs(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b >= 0x20 && b != 0x7F) continue;
        if (b == '\t') continue;
        if (b == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            continue;
        }
        return false;
    }
    return true;
}

std::string_view WithoutTrailingLineEnds(std::string_view text)
{
    return text.substr(0, text.find_last_not_of("\r\n") + 1);
}

}  // namespace
}  // namespace vireo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo;
    using namespace vireo::fuzz;
    const auto [text, log] = SplitFirstLine(AsText(data, size));

    // Each listed record is a stretch of the log that ends with a separator line, one per
    // occurrence at most.
    const std::string listed = ListRecords(log, text);
    Require(listed.empty() || listed.ends_with(kLogSeparator));
    if (text.empty()) Require(listed.empty());
    Require(listed.size() <= Occurrences(log, text) * log.size());

    // A record names its time and address, holds the request and message without their trailing
    // line ends (as sent, when they hold no control bytes to escape), and ends with the separator.
    std::tm time{};
    time.tm_year = 124;
    time.tm_mon = 1;
    time.tm_mday = 29;
    time.tm_hour = 13;
    time.tm_min = 5;
    time.tm_sec = 9;
    const Ipv4Endpoint peer{{192, 0, 2, 7}, 50123};
    const std::string record = FormatLogRecord(time, peer, log, text);
    Require(record.starts_with("Time: 2024-02-29 13:05:09\r\nAddr: 192.0.2.7:50123\r\n"));
    Require(record.ends_with(kLogSeparator) && OnlyTabsAndLinePairs(record));
    const std::string_view request = WithoutTrailingLineEnds(log);
    if (!log.empty() && log.front() != '\0' && OnlyTabsAndLinePairs(request)) {
        Require(record.find(request) != std::string::npos);
    }
    if (OnlyTabsAndLinePairs(WithoutTrailingLineEnds(text))) {
        Require(record.find(WithoutTrailingLineEnds(text)) != std::string::npos);
    }

    // Two records whose request and message hold no "=" (so no line inside ends like a separator)
    // and no "Time:" are listed whole, in order, by a search for the time line.
    const std::string second = FormatLogRecord(time, peer, text, log);
    const std::string both = record + second;
    if (log.find('=') == std::string_view::npos && text.find('=') == std::string_view::npos &&
        log.find("Time:") == std::string_view::npos && text.find("Time:") == std::string_view::npos) {
        Require(ListRecords(both, "Time: ") == both);
    }
    return 0;
}
