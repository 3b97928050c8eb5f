// BuildFileResponse with the conditional and range headers of any request, for a file of 10000
// bytes last written on Sun, 06 Nov 1994 08:49:37 GMT (or, for a URL that ends in "empty", an
// empty file of the same date). The answer must be the one the headers call for, and its body
// exactly the bytes it announces. The input is the request header ("GET /f HTTP/1.1\r\nRange:
// bytes=0-99\r\n\r\n").
#include <charconv>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/ascii_case.h"
#include "content/files/file_delivery.h"
#include "fuzz_support.h"
#include "http/byte_range.h"
#include "http/http_date.h"
#include "http/request.h"
#include "http/response.h"
#include "site/file_entry.h"
#include "site/resolve_url.h"

namespace vireo::fuzz {
namespace {

constexpr std::time_t kLastWrite = 784111777;  // Sun, 06 Nov 1994 08:49:37 GMT

struct Served {
    ResolvedTarget target;
    std::string content;
};

Served MakeFile(const std::string& name, std::size_t size)
{
    Served served;
    for (std::size_t i = 0; i < size; ++i) {
        served.content.push_back(static_cast<char>('a' + (i * 7 + i / 26) % 26));
    }
    const std::filesystem::path path = PrivateHome() / name;
    WriteFile(path, served.content);
    std::filesystem::last_write_time(
        path, std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(kLastWrite))));
    std::optional<FileEntry> entry = FindFileEntry(path.string());
    if (!entry) std::abort();
    served.target.kind = TargetKind::File;
    served.target.found = true;
    served.target.local_path = path.string();
    served.target.entity_tag = EntityTag(*entry);
    served.target.entry = *entry;
    return served;
}

const Served& TheFile()
{
    static const Served file = MakeFile("file.bin", 10000);
    return file;
}

const Served& TheEmptyFile()
{
    static const Served file = MakeFile("empty.bin", 0);
    return file;
}

// The value of a header line of the answer's header; empty without one.
std::string_view AnswerHeader(std::string_view header, std::string_view name)
{
    for (std::size_t at = header.find("\r\n"); at != std::string_view::npos;
         at = header.find("\r\n", at + 2)) {
        const std::string_view line = header.substr(at + 2, header.find("\r\n", at + 2) - (at + 2));
        if (line.size() > name.size() + 1 && StartsWithIgnoreCase(line, name) && line[name.size()] == ':') {
            return line.substr(name.size() + 2);
        }
    }
    return {};
}

std::uint64_t Number(std::string_view text)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    Require(error == std::errc{} && end == text.data() + text.size());
    return value;
}

}  // namespace
}  // namespace vireo::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vireo::fuzz::TheFile();
    vireo::fuzz::TheEmptyFile();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo;
    using namespace vireo::fuzz;
    Request request;
    request.Parse(AsText(data, size));
    const Served& served = request.Url().ends_with("empty") ? TheEmptyFile() : TheFile();
    const std::string_view if_modified_since = request.Header("if-modified-since");
    const std::string_view if_none_match = request.Header("if-none-match");
    const std::string_view if_range = request.Header("if-range");
    const std::string_view range = request.Header("range");

    FileResponse response;
    BuildFileResponse(response, served.target, if_modified_since, if_none_match, if_range, range);
    Require(response.IsFinished());
    std::string answer;
    char buffer[4096];
    while (std::size_t n = response.ReadNext(buffer, sizeof buffer)) answer.append(buffer, n);
    const std::string_view header = std::string_view(answer).substr(0, response.HeaderSize());
    const std::string_view body = std::string_view(answer).substr(response.HeaderSize());
    Require(header.ends_with("\r\n\r\n"));

    // What the headers call for, read from the header values alone.
    const std::string& tag = served.target.entity_tag;
    const std::optional<std::time_t> since =
        if_modified_since.empty() ? std::nullopt : ParseHttpDate(if_modified_since);
    const bool not_modified =
        (!if_none_match.empty() && EqualsIgnoreCase(if_none_match, tag)) || (since && *since >= kLastWrite);
    const auto part = range.empty() ? std::nullopt : ParseRange(range, served.content.size());
    const bool partial = part && (if_range.empty() || EqualsIgnoreCase(if_range, tag));

    if (not_modified) {
        Require(header.starts_with("HTTP/1.1 304 ") && body.empty());
    } else if (partial) {
        Require(part->start <= part->end && part->end < served.content.size());
        const std::string expected_range = "bytes " + std::to_string(part->start) + "-" +
                                           std::to_string(part->end) + "/" +
                                           std::to_string(served.content.size());
        Require(header.starts_with("HTTP/1.1 206 ") &&
                AnswerHeader(header, "Content-Range") == expected_range);
        Require(body == std::string_view(served.content).substr(part->start, part->end - part->start + 1));
    } else {
        Require(header.starts_with("HTTP/1.1 200 ") && body == served.content);
    }
    Require(not_modified || Number(AnswerHeader(header, "Content-Length")) == body.size());
    return 0;
}
