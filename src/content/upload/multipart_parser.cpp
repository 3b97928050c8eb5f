#include "content/upload/multipart_parser.h"

#include <string.h>

#include <algorithm>

#include "base/ascii_case.h"
#include "base/utf8.h"
#include "http/request.h"

namespace vireo {
namespace {

// A part's header block must end within this many bytes from the start of its delimiter line.
constexpr std::size_t kHeaderBlockBytes = 8192;
// One buffer takes both the header blocks and the blocks of data.
static_assert(kPartDataBlockBytes >= kHeaderBlockBytes);
// A delimiter that cannot be decided within a full block of data starts in its last boundary + 8
// bytes; the next read begins there, so it must lie past the block's first byte for every pass to
// move on.
static_assert(kPartDataBlockBytes > kMaxBoundaryBytes + 8);

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kCloseMark = "--\r\n";
constexpr std::string_view kHeaderEnd = "\r\n\r\n";

// The first `needle` in `text` at or after `from`, or npos. glibc's memmem moves on by up to the
// needle's length at a time, where string_view::find stops at every byte equal to the needle's first
// (a CR comes every 256 bytes or so in binary data); on big files this halves the parser's own work.
std::size_t Find(std::string_view text, std::string_view needle, std::size_t from)
{
    if (from > text.size()) return std::string_view::npos;
    const void* found = ::memmem(text.data() + from, text.size() - from, needle.data(), needle.size());
    return found ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data())
                 : std::string_view::npos;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// How a header parameter's value is written.
struct ValueSyntax {
    std::string_view quotes;  // characters that may enclose the value
    std::string_view ends;    // characters that end an unquoted value
};

// The position just after the next ";" at or after `at` that is not inside a double-quoted text.
std::size_t NextParameter(std::string_view value, std::size_t at)
{
    bool quoted = false;
    for (; at < value.size(); ++at) {
        if (value[at] == '"') {
            quoted = !quoted;
        } else if (value[at] == ';' && !quoted) {
            return at + 1;
        }
    }
    return value.size();
}

// The value of the parameter `name` (ASCII case ignored) in a header value such as
// form-data; name="fp"; filename="a.txt". Blanks may surround the name and the "=".
std::optional<std::string_view> FindParameter(std::string_view value, std::string_view name,
                                              const ValueSyntax& syntax)
{
    for (std::size_t at = 0; at < value.size(); at = NextParameter(value, at)) {
        while (at < value.size() && (IsBlank(value[at]) || value[at] == ';' || value[at] == ',')) ++at;
        std::size_t name_end = at;
        while (name_end < value.size() && !IsBlank(value[name_end]) && value[name_end] != '=' &&
               value[name_end] != ';') {
            ++name_end;
        }
        if (!EqualsIgnoreCase(value.substr(at, name_end - at), name)) continue;
        std::size_t start = name_end;
        while (start < value.size() && IsBlank(value[start])) ++start;
        if (start == value.size() || value[start] != '=') continue;
        while (start < value.size() && (value[start] == '=' || IsBlank(value[start]))) ++start;
        if (start < value.size() && syntax.quotes.find(value[start]) != std::string_view::npos) {
            const std::size_t close = value.find(value[start], start + 1);
            return value.substr(start + 1, close == std::string_view::npos ? close : close - start - 1);
        }
        const std::size_t end = value.find_first_of(syntax.ends, start);
        return value.substr(start, end == std::string_view::npos ? end : end - start);
    }
    return std::nullopt;
}

enum class Delimiter {
    None,       // no delimiter in the block
    NextPart,   // CR LF "--" boundary CR LF
    Close,      // CR LF "--" boundary "--" CR LF, or "--" at the very end of the body
    Undecided,  // what the block holds could still become a delimiter in the next read
};

// What the bytes after CR LF "--" boundary make of it.
Delimiter ClassifyEnding(std::string_view after, bool at_end)
{
    if (after.starts_with(kLineEnd)) return Delimiter::NextPart;
    if (after.starts_with(kCloseMark) || (at_end && after == "--")) return Delimiter::Close;
    if (!at_end && (kLineEnd.starts_with(after) || kCloseMark.starts_with(after)))
        return Delimiter::Undecided;
    return Delimiter::None;
}

enum class DataEnd { NextPart, Close, Unfinished };

class PartParser {
public:
    PartParser(BodySource& body, std::string_view boundary, PartSink& sink)
        : body_(body), sink_(sink), delimiter_("\r\n--" + std::string(boundary))
    {
    }

    std::vector<ReceivedFile> Run();

private:
    struct Found {
        std::size_t position;
        Delimiter kind;
    };

    // Reads the block of `size` bytes at position_, or what is left of the body. False when a read fails.
    bool Fill(std::size_t size);
    std::string_view Block() const { return std::string_view(buffer_.data(), length_); }
    // "--" boundary: the delimiter without its leading line end, with which a part's first line begins.
    std::string_view DelimiterLine() const { return std::string_view(delimiter_).substr(kLineEnd.size()); }
    Found FindDelimiter() const;
    // Passes over the data of one part up to its delimiter, handing it to the sink when `file` is
    // given. Leaves position_ at the next part's delimiter line when another part follows.
    DataEnd PassData(ReceivedFile* file);
    DataEnd PassFile(ReceivedFile& file);

    BodySource& body_;
    PartSink& sink_;
    const std::string delimiter_;  // CR LF "--" boundary
    Request part_header_;
    std::vector<char> buffer_ = std::vector<char>(kPartDataBlockBytes);
    std::size_t length_ = 0;
    bool at_end_ = false;
    std::uint64_t position_ = 0;
    bool writing_ = false;  // the current file part still takes data
};

bool PartParser::Fill(std::size_t size)
{
    const std::size_t wanted = static_cast<std::size_t>(
        std::min<std::uint64_t>(size, body_.Size() - std::min(position_, body_.Size())));
    length_ = 0;
    while (length_ < wanted) {
        std::optional<std::size_t> got =
            body_.ReadAt(position_ + length_, std::span(buffer_.data() + length_, wanted - length_));
        if (!got || *got == 0) return false;
        length_ += *got;
    }
    at_end_ = position_ + length_ >= body_.Size();
    return true;
}

PartParser::Found PartParser::FindDelimiter() const
{
    const std::string_view block = Block();
    for (std::size_t p = Find(block, delimiter_, 0); p != std::string_view::npos;
         p = Find(block, delimiter_, p + 1)) {
        const Delimiter kind = ClassifyEnding(block.substr(p + delimiter_.size()), at_end_);
        if (kind != Delimiter::None) return {p, kind};
    }
    if (!at_end_) {
        // The block may end inside the delimiter itself; the next read starts at its CR.
        const std::size_t from = block.size() - std::min(block.size(), delimiter_.size() - 1);
        for (std::size_t p = block.find('\r', from); p != std::string_view::npos;
             p = block.find('\r', p + 1)) {
            if (std::string_view(delimiter_).starts_with(block.substr(p))) return {p, Delimiter::Undecided};
        }
    }
    return {block.size(), Delimiter::None};
}

DataEnd PartParser::PassData(ReceivedFile* file)
{
    for (;;) {
        if (!Fill(kPartDataBlockBytes)) return DataEnd::Unfinished;
        const Found found = FindDelimiter();
        const std::string_view data = Block().substr(0, found.position);
        if (file && writing_ && !data.empty()) {
            writing_ = sink_.Write(data);
            if (writing_) file->bytes_written += data.size();
        }
        position_ += data.size();
        body_.Release(position_);
        switch (found.kind) {
            case Delimiter::NextPart:
                position_ += kLineEnd.size();
                return DataEnd::NextPart;
            case Delimiter::Close:
                return DataEnd::Close;
            case Delimiter::Undecided:
                break;
            case Delimiter::None:
                if (at_end_) return DataEnd::Unfinished;
                break;
        }
    }
}

DataEnd PartParser::PassFile(ReceivedFile& file)
{
    writing_ = sink_.BeginFile(file.base_name());
    if (!writing_) return PassData(nullptr);
    const DataEnd end = PassData(&file);
    file.stored = sink_.EndFile(writing_ && end != DataEnd::Unfinished);
    return end;
}

std::vector<ReceivedFile> PartParser::Run()
{
    std::vector<ReceivedFile> files;
    if (!Fill(kHeaderBlockBytes)) return files;
    // The body normally opens with the first delimiter line; anything before it is a preamble.
    const bool opens_with_part =
        Block().starts_with(DelimiterLine()) &&
        ClassifyEnding(Block().substr(DelimiterLine().size()), at_end_) == Delimiter::NextPart;
    if (!opens_with_part && PassData(nullptr) != DataEnd::NextPart) return files;

    for (;;) {
        // position_ is at a delimiter line; the part's header block follows it.
        if (!Fill(kHeaderBlockBytes) || length_ < DelimiterLine().size() + kLineEnd.size()) return files;
        const std::size_t header_end = Block().find(kHeaderEnd);
        if (header_end == std::string_view::npos) return files;
        // The delimiter line stands in for a request line; the part's headers follow it.
        part_header_.Parse(Block().substr(0, header_end + kHeaderEnd.size()));
        position_ += header_end + kHeaderEnd.size();

        std::optional<std::string_view> file_name = FindFileName(part_header_.Header("Content-Disposition"));
        std::string name(file_name ? CutUtf8(*file_name, ReceivedFile::kMaxNameBytes) : std::string_view());
        const std::size_t base = BaseNamePosition(name);
        DataEnd end;
        if (base < name.size()) {
            files.push_back({.name = std::move(name), .base_position = base});
            end = PassFile(files.back());
        } else {
            end = PassData(nullptr);  // an ordinary form field
        }
        if (end != DataEnd::NextPart) return files;
    }
}

}  // namespace

std::optional<std::string> FindBoundary(std::string_view content_type)
{
    constexpr std::string_view kType = "multipart/form-data";
    if (!StartsWithIgnoreCase(content_type, kType)) return std::nullopt;
    std::optional<std::string_view> boundary =
        FindParameter(content_type.substr(kType.size()), "boundary", {.quotes = "\"", .ends = " \t,;"});
    if (!boundary || boundary->empty()) return std::nullopt;
    return std::string(*boundary);
}

std::optional<std::string_view> FindFileName(std::string_view content_disposition)
{
    return FindParameter(content_disposition, "filename", {.quotes = "\"'", .ends = ";"});
}

std::size_t BaseNamePosition(std::string_view file_name)
{
    const std::size_t separator = file_name.find_last_of("/\\");
    return separator == std::string_view::npos ? 0 : separator + 1;
}

std::vector<ReceivedFile> ParseMultipartBody(BodySource& body, std::string_view boundary, PartSink& sink)
{
    if (boundary.empty() || boundary.size() > kMaxBoundaryBytes) return {};
    return PartParser(body, boundary, sink).Run();
}

}  // namespace vireo
