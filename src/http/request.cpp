#include "http/request.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <new>
#include <utility>

#include "base/ascii_case.h"
#include "base/url_codec.h"

namespace vireo {
namespace {

// What every text refers to while nothing is parsed, so a text's data is never null and always
// ends in a zero byte.
constexpr char kEmptyText[2] = {};
constexpr std::string_view kEmpty(kEmptyText, 0);

// Only the method's first 30 bytes are compared; no known method is that long.
constexpr std::size_t kMaxMethodLength = 30;
// A path segment followed by a separator names a folder and must stay below this.
constexpr std::size_t kMaxFolderSegment = 48;
// A path that is a single segment must stay below this.
constexpr std::size_t kMaxSingleSegment = 260;

constexpr std::array<std::pair<std::string_view, Method>, 7> kMethods = {{
    {"GET", Method::Get},
    {"POST", Method::Post},
    {"HEAD", Method::Head},
    {"OPTIONS", Method::Options},
    {"DELETE", Method::Delete},
    {"PUT", Method::Put},
    {"TRACE", Method::Trace},
}};

bool IsAllowedByte(unsigned char b)
{
    return b == '\t' || b == '\n' || b == '\r' || (b >= 0x20 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}

bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsLineEndOrBlank(char c)
{
    return IsLineEnd(c) || IsBlank(c);
}

Method MethodFromText(std::string_view text)
{
    auto is_token_byte = [](char c) { return static_cast<unsigned char>(c) > 0x20; };
    std::size_t begin = 0;
    while (begin < text.size() && !is_token_byte(text[begin])) ++begin;
    std::size_t limit = std::min(text.size(), begin + kMaxMethodLength);
    std::size_t end = begin;
    while (end < limit && is_token_byte(text[end])) ++end;
    std::string_view name = text.substr(begin, end - begin);
    for (const auto& [known, method] : kMethods) {
        if (EqualsIgnoreCase(name, known)) return method;
    }
    return Method::Unknown;
}

// Copies the header from `in` into `out` as lines: every run of line ends (with any blanks that
// follow, which also unfolds continuation lines) becomes one zero byte. Returns the bytes written;
// `out` must hold in.size() bytes plus the zero bytes that end the last line and the list.
std::size_t SplitIntoLines(std::string_view in, char* out)
{
    std::size_t written = 0;
    std::size_t i = 0;
    while (i < in.size()) {
        if (IsLineEnd(in[i])) {
            out[written++] = '\0';
            while (i < in.size() && IsLineEndOrBlank(in[i])) ++i;
        } else {
            out[written++] = in[i++];
        }
    }
    return written;
}

}  // namespace

void Request::Reset()
{
    raw_.reset();
    raw_length_ = 0;
    lines_.reset();
    method_text_ = url_ = query_ = headers_ = kEmpty;
    method_ = Method::Unknown;
    malicious_ = false;
}

std::string_view Request::RawText() const
{
    return raw_ ? std::string_view(raw_.get(), raw_length_) : kEmpty;
}

void Request::Parse(const char* bytes, std::size_t length)
{
    std::string_view text = bytes ? std::string_view(bytes, length) : kEmpty;
    bool allowed =
        std::ranges::all_of(text, [](char c) { return IsAllowedByte(static_cast<unsigned char>(c)); });
    // The copy is made before the reset, so a request may parse its own raw text again.
    std::unique_ptr<char[]> raw;
    if (allowed && !text.empty()) raw.reset(new (std::nothrow) char[text.size() + 2]());
    if (raw) std::memcpy(raw.get(), text.data(), text.size());
    Reset();
    if (!allowed) {
        malicious_ = true;
        return;
    }
    if (!raw) return;
    raw_ = std::move(raw);
    raw_length_ = text.size();
    text = RawText();

    std::size_t start = 0;
    while (start < text.size() && IsLineEndOrBlank(text[start])) ++start;
    if (start == text.size()) {
        Reset();
        return;
    }
    text.remove_prefix(start);

    // Two zero bytes behind the copied text end its last line and the list of lines.
    lines_.reset(new (std::nothrow) char[text.size() + 2]());
    if (!lines_) {
        Reset();
        return;
    }
    std::size_t used = SplitIntoLines(text, lines_.get()) + 2;
    std::size_t request_line_length = std::strlen(lines_.get());
    headers_ = std::string_view(lines_.get(), used).substr(request_line_length + 1);
    SplitRequestLine(request_line_length);
    method_ = MethodFromText(method_text_);
}

void Request::SplitRequestLine(std::size_t line_length)
{
    char* line = lines_.get();
    std::size_t pos = 0;
    // Ends the current token with a zero byte at `pos` and steps past it (at the line's end there is
    // one already). Returns the byte that ended the token.
    auto cut = [&] {
        char ended_by = line[pos];
        if (pos < line_length) line[pos++] = '\0';
        return ended_by;
    };
    auto skip_blanks = [&] {
        while (pos < line_length && IsBlank(line[pos])) ++pos;
    };
    auto take_until = [&](auto is_end) {
        std::size_t begin = pos;
        while (pos < line_length && !is_end(line[pos])) ++pos;
        return std::string_view(line + begin, pos - begin);
    };

    method_text_ = take_until(IsBlank);
    cut();
    skip_blanks();
    url_ = take_until([](char c) { return IsBlank(c) || c == '?'; });
    if (cut() == '?') {
        skip_blanks();
        query_ = take_until(IsBlank);
        cut();
    }
}

std::string_view Request::Header(std::string_view name) const
{
    if (name.empty()) return kEmpty;
    std::string_view rest = headers_;
    while (!rest.empty() && rest.front() != '\0') {
        std::string_view line = rest.substr(0, rest.find('\0'));
        if (StartsWithIgnoreCase(line, name)) {
            std::string_view value = line.substr(name.size());
            std::size_t skip = value.find_first_not_of(" \t:");
            return skip == std::string_view::npos ? value.substr(value.size()) : value.substr(skip);
        }
        rest.remove_prefix(std::min(line.size() + 1, rest.size()));
    }
    return kEmpty;
}

std::optional<std::uint64_t> Request::ContentLength() const
{
    std::string_view value = Header("Content-Length");
    std::uint64_t length = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
    if (error != std::errc{}) return std::nullopt;
    // Blanks may trail the number (they stay on the line); anything else makes it no number.
    std::string_view after = value.substr(static_cast<std::size_t>(end - value.data()));
    if (after.find_first_not_of(" \t") != std::string_view::npos) return std::nullopt;
    return length;
}

bool Request::IsWellFormed() const
{
    if (method_ == Method::Unknown || malicious_ || url_.empty()) return false;
    std::size_t skip = url_.find_first_not_of("/\\");
    if (skip == std::string_view::npos) return true;
    std::string path = UrlUnescape(url_.substr(skip));
    if (path.empty()) return true;
    std::size_t separator = path.find_first_of("/\\");
    if (separator == std::string::npos) return path.size() < kMaxSingleSegment;
    return separator < kMaxFolderSegment;
}

}  // namespace vireo
