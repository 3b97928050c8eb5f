#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace vireo {

enum class Method { Unknown = -1, Get = 0, Post, Head, Options, Delete, Put, Trace };

// A parsed request header. Parse copies the bytes it is given, so the views it hands out stay
// valid until the next Parse or Reset, whatever happens to the caller's buffer. Every view is
// followed by a zero byte in memory. Also parses the header block of each part of an upload,
// whose delimiter line stands in for the request line.
class Request {
public:
    Request() { Reset(); }
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    // Fills the request from exactly these bytes: the header through its blank line. A header
    // with a forbidden byte (control bytes other than TAB, CR and LF; 0x7F; 0xFF) leaves the
    // request reset with only the malicious flag set.
    void Parse(const char* bytes, std::size_t length);
    void Parse(std::string_view bytes) { Parse(bytes.data(), bytes.size()); }
    // Frees both buffers; every text is empty, the method unknown, the flag clear.
    void Reset();

    Method method() const { return method_; }
    // The request target as sent (still percent-encoded), without the query.
    std::string_view Url() const { return url_; }
    // The text after the first "?" of the target; empty without one.
    std::string_view Query() const { return query_; }
    // The header bytes as received; two zero bytes follow them in memory.
    std::string_view RawText() const;
    bool IsMalicious() const { return malicious_; }

    // The value of the first header line that begins with `name` (ASCII case ignored; a prefix
    // test, so "Range" also finds "Range-Unit"), after any spaces, TABs and colons. Empty when
    // no line matches or the name is empty.
    std::string_view Header(std::string_view name) const;
    // "Content-Length" as an unsigned 64-bit decimal; nullopt when absent or not a number.
    std::optional<std::uint64_t> ContentLength() const;
    std::string_view ContentType() const { return Header("Content-Type"); }

    // False for an unknown method, a forbidden byte or an empty URL; otherwise the first segment
    // of the decoded path must be shorter than 48 bytes when a separator follows it and shorter
    // than 260 bytes when it is the whole path.
    bool IsWellFormed() const;

private:
    // Splits the request line at the start of the line buffer into method, URL and query.
    void SplitRequestLine(std::size_t line_length);

    std::unique_ptr<char[]> raw_;
    std::size_t raw_length_ = 0;
    // The header as NUL-terminated lines without blank lines, ended by an empty line.
    std::unique_ptr<char[]> lines_;
    std::string_view method_text_;
    std::string_view url_;
    std::string_view query_;
    // From the first header line to the end of the line buffer.
    std::string_view headers_;
    Method method_ = Method::Unknown;
    bool malicious_ = false;
};

}  // namespace vireo
