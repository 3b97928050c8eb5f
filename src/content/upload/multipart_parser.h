#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// The boundary of a "multipart/form-data" Content-Type value; nothing for any other type, or when
// the boundary parameter is missing or empty. A boundary written in double quotes loses them.
std::optional<std::string> FindBoundary(std::string_view content_type);

// The "filename" parameter of a part's Content-Disposition value, exactly as the client wrote it
// (often a whole client-side path); nothing when the part has none. Semicolons inside a quoted
// parameter value do not end it.
std::optional<std::string_view> FindFileName(std::string_view content_disposition);

// Where the base name of a client's file name starts: just after its last "/" or "\", else 0.
std::size_t BaseNamePosition(std::string_view file_name);

// One file part found in an upload.
struct ReceivedFile {
    std::string name;  // as the client sent it, cut to kMaxNameBytes on a character boundary
    std::size_t base_position = 0;
    std::uint64_t bytes_written = 0;
    // The data ended at its delimiter and the file was kept under its name.
    bool stored = false;

    static constexpr std::size_t kMaxNameBytes = 259;
    std::string_view base_name() const { return std::string_view(name).substr(base_position); }
};

// A stored request body, read by position.
class BodySource {
public:
    virtual ~BodySource() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads up to buffer.size() bytes at `offset`. May return fewer than asked for even before the
    // end; 0 only at the end; nothing when the read fails.
    virtual std::optional<std::size_t> ReadAt(std::uint64_t offset, std::span<char> buffer) = 0;
    // Nothing before `offset` will be read again, so the source may free it.
    virtual void Release(std::uint64_t offset) = 0;
};

// Takes the data of the file parts, one part at a time.
class PartSink {
public:
    virtual ~PartSink() = default;
    // A file part begins. False when it cannot be stored; its data is then passed over.
    virtual bool BeginFile(std::string_view base_name) = 0;
    // False when the bytes could not be stored; the rest of the part is then passed over.
    virtual bool Write(std::string_view bytes) = 0;
    // The part's data has ended: at its delimiter (`complete`), or with the body, or after a failed
    // write. Returns whether the file is kept.
    virtual bool EndFile(bool complete) = 0;
};

// Boundaries longer than this find no parts.
inline constexpr std::size_t kMaxBoundaryBytes = 4096;
// The data of a part is read in blocks of this size from its first byte: large enough that storing a
// big file takes few reads and writes, small enough to stay in the processor's cache.
inline constexpr std::size_t kPartDataBlockBytes = 256 * 1024;

// Splits a multipart body into its parts and hands every file part (one whose Content-Disposition
// names a file with a non-empty base name) to `sink`; ordinary form fields and any preamble are
// passed over. A part's data ends at CR LF "--" boundary followed by CR LF (another part follows)
// or by "--" CR LF (the last part); anything else after CR LF "--" boundary is data. A delimiter
// split between two blocks of data is still found. Parsing stops at the closing delimiter, at a part
// whose header block does not end within the part's first 8192 bytes, or where the body ends.
// Returns the file parts found, in order.
std::vector<ReceivedFile> ParseMultipartBody(BodySource& body, std::string_view boundary, PartSink& sink);

}  // namespace vireo
