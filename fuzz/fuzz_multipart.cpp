// The upload body: FindBoundary over the Content-Type, then ParseMultipartBody over the body, read
// in short pieces and handed to a sink in memory, with FindFileName and IsStorableName on every
// part's name.
//
// Input: the Content-Type value, "\n", then the body. A "pad=N" in the Content-Type line (read by
// this target only) puts 262144 - N filler bytes at the start of the first part's data (after the
// body's first blank line), so the parser's 256 KiB block ends N bytes into what follows: that is
// how a delimiter split between two blocks is reached with small inputs. File parts named
// "refuse..." are refused by the sink, and writes to parts named "fail..." fail.
#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "content/upload/multipart_parser.h"
#include "content/upload/upload_store.h"
#include "fuzz_support.h"

namespace vireo::fuzz {
namespace {

constexpr char kFiller = 'f';

// The body as the parser sees it: the input's body with the filler put in. Every read hands over
// fewer bytes than asked for, as a socket would, and none may go back behind a released offset.
class PaddedBody final : public BodySource {
public:
    PaddedBody(std::string_view body, std::size_t insert_at, std::uint64_t filler)
        : body_(body), insert_at_(std::min(insert_at, body.size())), filler_(filler)
    {
    }

    std::uint64_t Size() const override { return body_.size() + filler_; }

    std::optional<std::size_t> ReadAt(std::uint64_t offset, std::span<char> buffer) override
    {
        Require(offset >= released_ && offset <= Size());
        const std::size_t count = static_cast<std::size_t>(
            std::min<std::uint64_t>({buffer.size(), Size() - offset, 1 + (offset * 2654435761u) % 8191}));
        for (std::size_t i = 0; i < count; ++i) buffer[i] = At(offset + i);
        return count;
    }

    void Release(std::uint64_t offset) override
    {
        Require(offset <= Size());
        released_ = std::max(released_, offset);
    }

    // The whole body in one text.
    std::string Text() const
    {
        std::string text(body_.substr(0, insert_at_));
        text.append(filler_, kFiller);
        text.append(body_.substr(insert_at_));
        return text;
    }

private:
    char At(std::uint64_t offset) const
    {
        if (offset < insert_at_) return body_[offset];
        if (offset < insert_at_ + filler_) return kFiller;
        return body_[offset - filler_];
    }

    std::string_view body_;
    std::size_t insert_at_;
    std::uint64_t filler_;
    std::uint64_t released_ = 0;
};

// Keeps every file part in memory and checks that the parser keeps to the sink's protocol:
// BeginFile, then Write only while the part takes data, then one EndFile.
class CheckingSink final : public PartSink {
public:
    struct File {
        std::string name;
        std::string data;
        bool began = false;
        bool ended = false;
        bool complete = false;
    };

    bool BeginFile(std::string_view base_name) override
    {
        Require(!open_ && !base_name.empty() && base_name.find_first_of("/\\") == std::string_view::npos);
        const bool taken = !base_name.starts_with("refuse");
        files.push_back({.name = std::string(base_name), .data = {}, .began = taken});
        open_ = taken;
        accepting_ = taken;
        return taken;
    }
    bool Write(std::string_view bytes) override
    {
        Require(open_ && accepting_ && !bytes.empty());
        if (files.back().name.starts_with("fail")) {
            accepting_ = false;
            return false;
        }
        files.back().data += bytes;
        return true;
    }
    bool EndFile(bool complete) override
    {
        Require(open_);
        open_ = false;
        files.back().ended = true;
        files.back().complete = complete;
        return complete;
    }

    std::vector<File> files;
    bool open_ = false;

private:
    bool accepting_ = false;
};

std::uint64_t FillerBytes(std::string_view content_type)
{
    const std::size_t at = content_type.find("pad=");
    if (at == std::string_view::npos) return 0;
    std::uint64_t n = 0;
    const char* digits = content_type.data() + at + 4;
    std::from_chars(digits, content_type.data() + content_type.size(), n);
    return kPartDataBlockBytes - std::min<std::uint64_t>(n, kPartDataBlockBytes);
}

}  // namespace
}  // namespace vireo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo;
    using namespace vireo::fuzz;
    const auto [content_type, body] = SplitFirstLine(AsText(data, size));

    const std::optional<std::string> boundary = FindBoundary(content_type);
    if (boundary) Require(!boundary->empty() && boundary->size() <= content_type.size());
    if (std::optional<std::string_view> name = FindFileName(content_type)) {
        Require(name->size() <= content_type.size());
    }
    if (!boundary) return 0;

    const std::size_t blank_line = body.find("\r\n\r\n");
    PaddedBody source(body, blank_line == std::string_view::npos ? 0 : blank_line + 4,
                      FillerBytes(content_type));
    CheckingSink sink;
    const std::vector<ReceivedFile> files = ParseMultipartBody(source, *boundary, sink);

    const std::string delimiter = "\r\n--" + *boundary;
    const std::string text = source.Size() <= 8192 ? source.Text() : std::string();
    Require(!sink.open_ && files.size() == sink.files.size());
    std::uint64_t written = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const ReceivedFile& file = files[i];
        const CheckingSink::File& seen = sink.files[i];
        // The name as sent, cut on a character boundary; its base name is what the sink was given.
        Require(file.name.size() <= ReceivedFile::kMaxNameBytes && !file.base_name().empty());
        Require(file.base_name() == seen.name && file.base_position == BaseNamePosition(file.name));
        Require(file.bytes_written == seen.data.size() && file.stored == (seen.ended && seen.complete));
        Require(seen.began == seen.ended);
        // No name that could leave the directory is ever storable.
        if (IsStorableName(file.base_name())) {
            Require(file.base_name() != "." && file.base_name() != ".." &&
                    file.base_name().find_first_of(std::string_view("/\0", 2)) == std::string_view::npos);
        }
        // A part's data never holds a delimiter that ends it; kept data stands in the body right
        // before its delimiter.
        Require(seen.data.find(delimiter + "\r\n") == std::string::npos &&
                seen.data.find(delimiter + "--\r\n") == std::string::npos);
        if (file.stored && !text.empty()) Require(text.find(seen.data + delimiter) != std::string::npos);
        written += file.bytes_written;
    }
    Require(written <= source.Size());
    return 0;
}
