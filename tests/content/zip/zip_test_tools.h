#pragma once

// Reading back what the zip writer and the zip download produce: the chunked framing, the archive's
// records byte by byte (written here independently of the writer), and the standard unzip tool.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/child_process.h"

namespace vireo::testing {

inline std::string ReadWholeFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The data of a chunked body (lower-case hexadecimal sizes); nothing when the framing is broken, the
// last chunk is missing or anything follows it.
inline std::optional<std::string> Dechunk(std::string_view body)
{
    std::string data;
    for (;;) {
        const std::size_t line_end = body.find("\r\n");
        if (line_end == std::string_view::npos || line_end == 0) return std::nullopt;
        const std::string_view size_text = body.substr(0, line_end);
        if (size_text.find_first_not_of("0123456789abcdef") != std::string_view::npos) return std::nullopt;
        const std::size_t size = std::stoul(std::string(size_text), nullptr, 16);
        body.remove_prefix(line_end + 2);
        if (size == 0) return body == "\r\n" ? std::optional(data) : std::nullopt;
        if (body.size() < size + 2 || body.substr(size, 2) != "\r\n") return std::nullopt;
        data.append(body.substr(0, size));
        body.remove_prefix(size + 2);
    }
}

inline std::uint32_t Le16(std::string_view bytes, std::size_t at)
{
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

inline std::uint32_t Le32(std::string_view bytes, std::size_t at)
{
    return Le16(bytes, at) | Le16(bytes, at + 2) << 16;
}

// One entry as its local header describes it.
struct ZipRecord {
    std::uint32_t version = 0, flags = 0, method = 0, time = 0, date = 0, extra_length = 0;
    std::uint32_t crc = 0, compressed_size = 0, size = 0;
    std::string name;
    std::string data;  // compressed
    std::size_t offset = 0;
};

struct ParsedZip {
    std::vector<ZipRecord> entries;
    std::uint32_t directory_size = 0, directory_offset = 0;
    std::string comment;
};

// Walks the local headers from the start, then checks that the central directory repeats each of
// them field by field with its offset, and that the end record and its comment end the archive
// exactly. A mismatch is a test failure and gives nothing.
inline std::optional<ParsedZip> ParseZip(std::string_view bytes)
{
    ParsedZip zip;
    std::size_t at = 0;
    while (bytes.size() - at >= 30 && bytes.substr(at, 4) == std::string_view("PK\3\4", 4)) {
        ZipRecord r;
        r.offset = at;
        r.version = Le16(bytes, at + 4);
        r.flags = Le16(bytes, at + 6);
        r.method = Le16(bytes, at + 8);
        r.time = Le16(bytes, at + 10);
        r.date = Le16(bytes, at + 12);
        r.crc = Le32(bytes, at + 14);
        r.compressed_size = Le32(bytes, at + 18);
        r.size = Le32(bytes, at + 22);
        r.extra_length = Le16(bytes, at + 28);
        r.name = std::string(bytes.substr(at + 30, Le16(bytes, at + 26)));
        r.data = std::string(bytes.substr(at + 30 + r.name.size() + r.extra_length, r.compressed_size));
        at += 30 + r.name.size() + r.extra_length + r.compressed_size;
        zip.entries.push_back(std::move(r));
    }
    zip.directory_offset = static_cast<std::uint32_t>(at);
    for (const ZipRecord& r : zip.entries) {
        SCOPED_TRACE("central header of " + r.name);
        if (bytes.size() - at < 46 + r.name.size()) {
            ADD_FAILURE() << "central directory cut short";
            return std::nullopt;
        }
        std::string expected("PK\1\2", 4);
        // Version made by: 11, on Unix for UTF-8 names (unzip takes names from MS-DOS as DOS text).
        expected += (r.flags & 0x0800) ? std::string("\x0B\x03") : std::string("\x0B\x00", 2);
        expected += bytes.substr(r.offset + 4, 26);
        expected += std::string(10, '\0');
        for (int shift = 0; shift < 32; shift += 8) expected += static_cast<char>(r.offset >> shift);
        expected += r.name;
        if (bytes.substr(at, expected.size()) != expected) {
            ADD_FAILURE() << "central header differs from its local header";
            return std::nullopt;
        }
        at += expected.size();
    }
    zip.directory_size = static_cast<std::uint32_t>(at - zip.directory_offset);
    const std::string count = {static_cast<char>(zip.entries.size()),
                               static_cast<char>(zip.entries.size() >> 8)};
    if (bytes.size() - at < 22 || bytes.substr(at, 8) != std::string_view("PK\5\6\0\0\0\0", 8) ||
        bytes.substr(at + 8, 2) != count || bytes.substr(at + 10, 2) != count ||
        Le32(bytes, at + 12) != zip.directory_size || Le32(bytes, at + 16) != zip.directory_offset ||
        Le16(bytes, at + 20) != bytes.size() - at - 22) {
        ADD_FAILURE() << "end record missing, wrong or not at the end";
        return std::nullopt;
    }
    zip.comment = std::string(bytes.substr(at + 22));
    return zip;
}

inline std::vector<std::string> EntryNames(const ParsedZip& zip)
{
    std::vector<std::string> names;
    for (const ZipRecord& r : zip.entries) names.push_back(r.name);
    return names;
}

// `unzip -t` finds every entry intact.
inline void ExpectUnzipTestPasses(const std::filesystem::path& archive)
{
    const ProgramResult result = RunProgram({"/usr/bin/unzip", "-t", archive.string()});
    EXPECT_EQ(result.exit_code, 0) << result.output;
}

// Extracts the archive with unzip and compares every entry, byte for byte, with the file of the same
// relative name below `source`; the extraction must hold nothing else.
inline void ExpectExtractsAsSource(const std::filesystem::path& archive, const std::filesystem::path& source,
                                   const std::vector<std::string>& names,
                                   const std::filesystem::path& scratch)
{
    namespace fs = std::filesystem;
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    const ProgramResult result =
        RunProgram({"/usr/bin/unzip", "-q", archive.string(), "-d", scratch.string()});
    ASSERT_EQ(result.exit_code, 0) << result.output;
    std::size_t files = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(scratch)) {
        if (entry.is_regular_file()) ++files;
    }
    EXPECT_EQ(files, names.size());
    for (const std::string& name : names) {
        EXPECT_EQ(ReadWholeFile(scratch / name), ReadWholeFile(source / name)) << name;
    }
}

}  // namespace vireo::testing
