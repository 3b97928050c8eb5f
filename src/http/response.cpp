#include "http/response.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>

#include "base/io.h"
#include "base/product.h"
#include "http/http_date.h"

namespace vireo {
namespace {

// The common head of every generated page, up to the title.
constexpr std::string_view kPageHead =
    "<HTML>\r\n"
    "<HEAD>\r\n"
    "<META HTTP-EQUIV=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
    "<STYLE TYPE=\"TEXT/CSS\">\r\n"
    "BODY{font: x-small Verdana, Arial, Helvetica, sans-serif}\r\n"
    "h1, h2, h3, h4{font-family: verdana, Arial, Helvetica, sans-serif;\tfont-weight: bold;color: "
    "#000000}\r\n"
    "h1{font-size:145%;margin-bottom:.5em}\r\n"
    "h2{font-size:125%;margin-top:1.5em;margin-bottom:.5em}\r\n"
    "h3{font-size:115%; margin-top:1.2em;margin-bottom:.5em}\r\n"
    "h4{font-size:115%;margin-top:0.3em;margin-bottom:1em}\r\n"
    "h5{font-size:100%;margin-top:1em;margin-bottom:1em}\r\n"
    "P{font:x-small Verdana,Arial,Helvetica,sans-serif;color:#000000;margin-top:.5em;margin-bottom:.5em}\r\n"
    "TD{font-size:x-small;padding-top:0;padding-bottom:0}\r\n"
    "th{font-size:x-small;color:#ffffff;background-color:#0080ff;font-weight:normal;padding-top:2;"
    "padding-bottom:2}\r\n"
    "UL{margin-top:12;margin-bottom:0;list-style:disc}\r\n"
    "LI{margin-top:.5em;margin-bottom:.5em}\r\n"
    "</STYLE>\r\n"
    "<TITLE>";

// The statuses whose line carries a reason phrase; any other is sent with its number alone.
constexpr std::array<std::pair<unsigned, std::string_view>, 10> kReasonPhrases = {{
    {200, "OK"},
    {204, "No Content"},
    {206, "Partial Content"},
    {301, "Moved Permanently"},
    {302, "Found"},
    {304, "Not Modified"},
    {400, "Bad Request"},
    {401, "Unauthorized"},
    {403, "Forbidden"},
    {404, "Not Found"},
}};

std::string StatusLine(unsigned status)
{
    std::string line = "HTTP/1.1 " + std::to_string(status);
    auto known = std::ranges::find(kReasonPhrases, status, &std::pair<unsigned, std::string_view>::first);
    if (known != kReasonPhrases.end()) line.append(" ").append(known->second);
    return line + "\r\n";
}

// Copies the next bytes of `data` behind `position` and advances it.
std::size_t CopyFrom(std::string_view data, std::size_t& position, char* buffer, std::size_t capacity)
{
    std::size_t count = std::min(capacity, data.size() - std::min(position, data.size()));
    if (count > 0) std::memcpy(buffer, data.data() + position, count);
    position += count;
    return count;
}

}  // namespace

void Response::AppendHeader(std::string_view text)
{
    // Out of memory the piece is left out; the answer stays usable.
    if (!finished_) header_.Append(text);
}

void Response::AppendBody(std::string_view text)
{
    if (!finished_) body_.Append(text);
}

void Response::BeginResponse(unsigned status)
{
    header_.Clear();
    body_.Clear();
    header_read_ = body_read_ = 0;
    finished_ = false;
    AppendHeader(StatusLine(status));
    AddDateHeader("Date");
    AddHeader("Server", kServerName);
}

void Response::AddHeaderText(std::string_view text)
{
    AppendHeader(text);
}

void Response::AddHeader(std::string_view name, std::string_view value)
{
    std::string line;
    line.reserve(name.size() + value.size() + 4);
    line.append(name).append(": ").append(value).append("\r\n");
    AppendHeader(line);
}

void Response::AddDateHeader(std::string_view name, std::optional<std::time_t> time)
{
    std::optional<std::string> date = FormatHttpDate(time.value_or(std::time(nullptr)));
    if (date) AddHeader(name, *date);
}

void Response::AddExpires(int hours, int minutes)
{
    std::int64_t seconds = (static_cast<std::int64_t>(hours) * 60 + minutes) * 60;
    AddDateHeader("Expires", std::time(nullptr) + seconds);
}

void Response::AddContentType(std::string_view type)
{
    AddHeader("Content-Type", type.empty() ? "text/html" : type);
}

void Response::AddConnection(std::string_view value)
{
    AddHeader("Connection", value.empty() ? "close" : value);
}

void Response::AddBodyText(std::string_view text)
{
    AppendBody(text);
}

void Response::AddBodyBytes(const void* bytes, std::size_t count)
{
    AppendBody(std::string_view(static_cast<const char*>(bytes), count));
}

void Response::BeginPage(std::string_view title, std::string_view background, std::string_view extra_head)
{
    if (finished_) return;
    body_.Clear();
    AppendBody(kPageHead);
    AppendBody(title);
    AppendBody("</TITLE>\r\n");
    AppendBody(extra_head);
    AppendBody("\r\n</HEAD>\r\n<BODY bgColor=\"");
    AppendBody(background);
    AppendBody("\">\r\n");
}

void Response::AddPageFooter()
{
    AppendBody(
        "<hr size=\"1\">\r\n<p style=\"text-align:right;margin-top:5\"><a style=\"color:#0000ff\" href=\"");
    AppendBody(kMakerUrl);
    AppendBody("\">Powered by Vireo</a></p>\r\n</BODY>\r\n</HTML>\r\n");
}

bool Response::Finish()
{
    if (finished_) return true;
    // Without a status line there is no answer to send; a lone "Content-Length" would be garbage.
    if (!IsComplete()) return false;
    // The length line and the blank line go in as one piece, so running out of memory can never
    // leave a header without its end.
    std::string end = "Content-Length: " + std::to_string(BodySize()) + "\r\n\r\n";
    if (!header_.Append(end)) return false;
    header_read_ = body_read_ = 0;
    finished_ = true;
    return true;
}

std::size_t Response::ReadNext(char* buffer, std::size_t capacity)
{
    if (!finished_) return 0;
    if (header_read_ < header_.size()) return CopyFrom(header_.view(), header_read_, buffer, capacity);
    return ReadBody(buffer, capacity);
}

std::size_t Response::ReadBody(char* buffer, std::size_t capacity)
{
    return CopyFrom(body_.view(), body_read_, buffer, capacity);
}

void FileResponse::SetFile(UniqueFd file, std::uint64_t file_size)
{
    file_ = std::move(file);
    file_size_ = file_size;
    bytes_left_ = file_size;
}

bool FileResponse::SelectRange(const RangeSpec& range)
{
    if (!file_ || range.start > range.end || range.end >= file_size_) return false;
    if (::lseek(file_.get(), static_cast<off_t>(range.start), SEEK_SET) < 0) return false;
    bytes_left_ = range.end - range.start + 1;
    return true;
}

std::uint64_t FileResponse::BodySize() const
{
    return file_ ? bytes_left_ : Response::BodySize();
}

std::size_t FileResponse::ReadBody(char* buffer, std::size_t capacity)
{
    if (!file_) return Response::ReadBody(buffer, capacity);
    std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, bytes_left_));
    if (wanted == 0) return 0;
    const ssize_t got = ReadSome(file_.get(), buffer, wanted);
    if (got <= 0) return 0;
    bytes_left_ -= static_cast<std::uint64_t>(got);
    return static_cast<std::size_t>(got);
}

}  // namespace vireo
