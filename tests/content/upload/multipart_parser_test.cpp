// The multipart body parser, fed from memory in random pieces, and the header parameters it reads.
#include "content/upload/multipart_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace vireo {
namespace {

// A body held in memory. Each read hands over a random number of bytes, as a socket or a pipe would,
// so the parser cannot take a short read for the end of the body. Released bytes read as zeros from
// then on, as in a scratch file whose pages were freed, so a parser that reads them again stores
// wrong data.
class PiecewiseBody final : public BodySource {
public:
    explicit PiecewiseBody(std::string bytes, unsigned seed = 1) : bytes_(std::move(bytes)), random_(seed) {}

    std::uint64_t Size() const override { return bytes_.size(); }
    std::optional<std::size_t> ReadAt(std::uint64_t offset, std::span<char> buffer) override
    {
        if (offset >= bytes_.size() || buffer.empty()) return 0;
        std::size_t most = std::min<std::size_t>(buffer.size(), bytes_.size() - offset);
        std::size_t count = std::uniform_int_distribution<std::size_t>(1, most)(random_);
        std::copy_n(bytes_.data() + offset, count, buffer.data());
        return count;
    }
    void Release(std::uint64_t offset) override
    {
        ASSERT_LE(offset, bytes_.size());
        std::fill(bytes_.begin() + static_cast<std::ptrdiff_t>(std::min(released_, offset)),
                  bytes_.begin() + static_cast<std::ptrdiff_t>(offset), '\0');
        released_ = std::max(released_, offset);
    }

private:
    std::string bytes_;
    std::mt19937 random_;
    std::uint64_t released_ = 0;
};

// Keeps every file part in memory.
class MemorySink final : public PartSink {
public:
    struct File {
        std::string name;
        std::string data;
        bool kept = false;
    };

    bool BeginFile(std::string_view base_name) override
    {
        if (base_name == refused_name) return false;
        files.push_back({std::string(base_name), {}, false});
        return true;
    }
    bool Write(std::string_view bytes) override
    {
        if (files.back().data.size() + bytes.size() > write_limit) return false;
        files.back().data += bytes;
        return true;
    }
    bool EndFile(bool complete) override
    {
        files.back().kept = complete;
        return complete;
    }

    std::vector<File> files;
    std::string refused_name = "\x01";
    std::size_t write_limit = std::string::npos;
};

constexpr std::string_view kBoundary = "----WebKitFormBoundary7MA4YWxkTrZu0gW";

std::string FilePart(std::string_view boundary, std::string_view file_name, std::string_view data)
{
    return "--" + std::string(boundary) + "\r\nContent-Disposition: form-data; name=\"fp\"; filename=\"" +
           std::string(file_name) + "\"\r\nContent-Type: application/octet-stream\r\n\r\n" +
           std::string(data) + "\r\n";
}

std::string FieldPart(std::string_view boundary, std::string_view name, std::string_view value)
{
    return "--" + std::string(boundary) + "\r\nContent-Disposition: form-data; name=\"" + std::string(name) +
           "\"\r\n\r\n" + std::string(value) + "\r\n";
}

std::string Closing(std::string_view boundary)
{
    return "--" + std::string(boundary) + "--\r\n";
}

struct Parsed {
    std::vector<ReceivedFile> files;
    MemorySink sink;
};

Parsed Parse(std::string body, std::string_view boundary = kBoundary, unsigned seed = 1)
{
    Parsed parsed;
    PiecewiseBody source(std::move(body), seed);
    parsed.files = ParseMultipartBody(source, boundary, parsed.sink);
    return parsed;
}

TEST(FindBoundaryTest, ReadsTheParameterOfFormDataOnly)
{
    struct Case {
        std::string_view content_type;
        std::optional<std::string> boundary;
    };
    const Case cases[] = {
        {"multipart/form-data; boundary=abc", "abc"},
        {"Multipart/Form-Data;boundary=abc", "abc"},
        {"multipart/form-data; boundary = abc", "abc"},
        {"multipart/form-data; BOUNDARY=abc; charset=utf-8", "abc"},
        {"multipart/form-data; charset=utf-8; boundary=abc", "abc"},
        {"multipart/form-data, boundary=abc,def", "abc"},
        {"multipart/form-data; boundary=abc\tdef", "abc"},
        {"multipart/form-data; boundary=\"quoted; with blanks\"", "quoted; with blanks"},
        {"multipart/form-data; name=\"boundary=no\"; boundary=yes", "yes"},
        {"multipart/form-data; boundary=", std::nullopt},
        {"multipart/form-data; boundary=\"\"", std::nullopt},
        {"multipart/form-data; xboundary=abc", std::nullopt},
        {"multipart/form-data", std::nullopt},
        {"multipart/mixed; boundary=abc", std::nullopt},
        {"text/plain", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(FindBoundary(c.content_type), c.boundary) << c.content_type;
}

TEST(FindFileNameTest, ReadsTheFileNameParameter)
{
    struct Case {
        std::string_view disposition;
        std::optional<std::string_view> name;
    };
    const Case cases[] = {
        {"form-data; name=\"fp\"; filename=\"a.txt\"", "a.txt"},
        {"FORM-DATA; FILENAME = \"b.txt\"", "b.txt"},
        {"form-data; filename='single quoted.txt'", "single quoted.txt"},
        {"form-data; filename=bare name.txt; size=3", "bare name.txt"},
        {"form-data; filename=\"C:\\dir\\x.txt\"", "C:\\dir\\x.txt"},
        {"form-data; filename=\"semi;colon.txt\"", "semi;colon.txt"},
        {"form-data; name=\"a;filename=evil\"; filename=\"good\"", "good"},
        {"form-data; filename*=UTF-8''x.txt; filename=\"y.txt\"", "y.txt"},
        {"form-data; filename=\"unterminated", "unterminated"},
        {"form-data; filename=\"\"", ""},
        {"form-data; name=\"fp\"", std::nullopt},
        {"form-data; filenames=\"x\"", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(FindFileName(c.disposition), c.name) << c.disposition;
}

TEST(BaseNamePositionTest, FollowsEitherSeparator)
{
    struct Case {
        std::string_view name;
        std::string_view base;
    };
    const Case cases[] = {
        {"report.txt", "report.txt"},
        {"C:\\dir\\x.txt", "x.txt"},
        {"a/../../x", "x"},
        {"/x", "x"},
        {"\\x", "x"},
        {"mixed/dir\\y", "y"},
        {"dir/", ""},
        {"..", ".."},
        {"a", "a"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.name.substr(BaseNamePosition(c.name)), c.base) << c.name;
}

TEST(MultipartParserTest, StoresOneFileByteForByte)
{
    const std::string data = std::string("line one\r\nline two\r\n\r\n--") + std::string(kBoundary) +
                             "x\r\n" + std::string("\0\xff\r", 3) + "--" + std::string(kBoundary) + "--";
    Parsed parsed = Parse(FilePart(kBoundary, "report.txt", data) + Closing(kBoundary));
    ASSERT_EQ(parsed.files.size(), 1u);
    EXPECT_EQ(parsed.files[0].name, "report.txt");
    EXPECT_EQ(parsed.files[0].bytes_written, data.size());
    EXPECT_TRUE(parsed.files[0].stored);
    ASSERT_EQ(parsed.sink.files.size(), 1u);
    EXPECT_EQ(parsed.sink.files[0].data, data);
}

TEST(MultipartParserTest, NearDelimitersAreData)
{
    const std::string b(kBoundary);
    for (const std::string& near : {"\r\n--" + b + "x", "\r\n--" + b + "-x", "\r\n--" + b + "--x",
                                    "\r\n--" + b + " \r\n", "\r\n-" + b + "\r\n", "--" + b + "\r\n",
                                    "\r\n--" + b.substr(0, b.size() - 1) + "\r\n", "\r\r\n--" + b + "\r"}) {
        const std::string data = "<" + near + ">";
        Parsed parsed = Parse(FilePart(kBoundary, "a.bin", data) + Closing(kBoundary));
        ASSERT_EQ(parsed.sink.files.size(), 1u);
        EXPECT_EQ(parsed.sink.files[0].data, data);
        EXPECT_TRUE(parsed.files[0].stored);
    }
}

TEST(MultipartParserTest, EachFilePartGetsAFileOfItsOwnAndFieldsAreSkipped)
{
    const std::string body = "preamble to ignore\r\n" + FieldPart(kBoundary, "title", "holiday") +
                             FilePart(kBoundary, "C:\\Users\\me\\one.txt", "first") +
                             FieldPart(kBoundary, "note", "\r\nnot a file\r\n") +
                             FilePart(kBoundary, "two.txt", "second") +
                             FilePart(kBoundary, "", "no file chosen") +
                             FilePart(kBoundary, "empty.txt", "") + Closing(kBoundary) + "epilogue";
    Parsed parsed = Parse(body);
    ASSERT_EQ(parsed.files.size(), 3u);
    EXPECT_EQ(parsed.files[0].name, "C:\\Users\\me\\one.txt");
    EXPECT_EQ(parsed.files[0].base_name(), "one.txt");
    EXPECT_EQ(parsed.files[1].base_name(), "two.txt");
    EXPECT_EQ(parsed.files[2].base_name(), "empty.txt");
    EXPECT_EQ(parsed.files[2].bytes_written, 0u);
    for (const ReceivedFile& file : parsed.files) EXPECT_TRUE(file.stored) << file.name;
    ASSERT_EQ(parsed.sink.files.size(), 3u);
    EXPECT_EQ(parsed.sink.files[0].name, "one.txt");
    EXPECT_EQ(parsed.sink.files[0].data, "first");
    EXPECT_EQ(parsed.sink.files[1].data, "second");
    EXPECT_EQ(parsed.sink.files[2].data, "");
}

TEST(MultipartParserTest, EmptyFileNameAloneGivesNoEntries)
{
    Parsed parsed = Parse(FilePart(kBoundary, "", "") + Closing(kBoundary));
    EXPECT_TRUE(parsed.files.empty());
    EXPECT_TRUE(parsed.sink.files.empty());
}

TEST(MultipartParserTest, BodyEndingBeforeTheClosingDelimiterFails)
{
    for (const std::string& tail :
         {std::string(), "--" + std::string(kBoundary), Closing(kBoundary).substr(0, 5)}) {
        Parsed parsed =
            Parse(FilePart(kBoundary, "kept.txt", "whole") + FilePart(kBoundary, "cut.txt", "half") + tail);
        ASSERT_EQ(parsed.files.size(), 2u);
        EXPECT_TRUE(parsed.files[0].stored);
        EXPECT_FALSE(parsed.files[1].stored);
        EXPECT_FALSE(parsed.sink.files[1].kept);
        EXPECT_EQ(parsed.sink.files[1].data.substr(0, 4), "half");
    }
}

TEST(MultipartParserTest, ClosingDelimiterMayEndTheBodyWithoutLineEnd)
{
    Parsed parsed = Parse(FilePart(kBoundary, "a.txt", "data") + "--" + std::string(kBoundary) + "--");
    ASSERT_EQ(parsed.files.size(), 1u);
    EXPECT_TRUE(parsed.files[0].stored);
    EXPECT_EQ(parsed.sink.files[0].data, "data");
}

TEST(MultipartParserTest, WrongOrQuotedBoundaryFindsNothing)
{
    const std::string body = FilePart(kBoundary, "a.txt", "data") + Closing(kBoundary);
    EXPECT_TRUE(Parse(body, "\"" + std::string(kBoundary) + "\"").files.empty());
    EXPECT_TRUE(Parse(body, "other").files.empty());
    EXPECT_TRUE(Parse("", kBoundary).files.empty());
}

TEST(MultipartParserTest, RefusedOrFailingFilesDoNotStopTheParts)
{
    MemorySink sink;
    sink.refused_name = "..";
    sink.write_limit = 10;
    PiecewiseBody body(FilePart(kBoundary, "..", "refused data") +
                       FilePart(kBoundary, "big.bin", std::string(9000, 'b')) +
                       FilePart(kBoundary, "small.txt", "fits") + Closing(kBoundary));
    std::vector<ReceivedFile> files = ParseMultipartBody(body, kBoundary, sink);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_FALSE(files[0].stored);
    EXPECT_EQ(files[0].bytes_written, 0u);
    EXPECT_FALSE(files[1].stored);
    EXPECT_LE(files[1].bytes_written, 10u);
    EXPECT_TRUE(files[2].stored);
    ASSERT_EQ(sink.files.size(), 2u);
    EXPECT_EQ(sink.files[1].data, "fits");
}

TEST(MultipartParserTest, LongNamesAreCutOnACharacterBoundary)
{
    std::string name(257, 'n');
    name += "\xc3\xa9\xc3\xa9";  // 261 bytes; the cut at 259 would split the second character
    Parsed parsed = Parse(FilePart(kBoundary, name, "x") + Closing(kBoundary));
    ASSERT_EQ(parsed.files.size(), 1u);
    EXPECT_EQ(parsed.files[0].name, std::string(257, 'n') + "\xc3\xa9");
}

TEST(MultipartParserTest, HeaderBlockBeyondOneReadStopsParsing)
{
    const std::string b(kBoundary);
    const std::string body =
        FilePart(kBoundary, "first.txt", "1") + "--" + b + "\r\nX-Pad: " + std::string(9000, 'p') +
        "\r\nContent-Disposition: form-data; filename=\"late.txt\"\r\n\r\n" + "2\r\n" + Closing(kBoundary);
    Parsed parsed = Parse(body);
    ASSERT_EQ(parsed.files.size(), 1u);
    EXPECT_EQ(parsed.files[0].base_name(), "first.txt");
}

TEST(MultipartParserTest, BoundaryLengthLimit)
{
    const std::string longest(kMaxBoundaryBytes, 'q');
    Parsed parsed = Parse(FilePart(longest, "a.txt", std::string(9000, 'd')) + Closing(longest), longest);
    ASSERT_EQ(parsed.files.size(), 1u);
    EXPECT_TRUE(parsed.files[0].stored);
    EXPECT_EQ(parsed.files[0].bytes_written, 9000u);

    const std::string too_long(kMaxBoundaryBytes + 1, 'q');
    EXPECT_TRUE(Parse(FilePart(too_long, "a.txt", "d") + Closing(too_long), too_long).files.empty());
}

// Parses a body of two file parts, `data` and "next", and expects both stored byte for byte.
void ExpectStoredExactly(const std::string& boundary, const std::string& data, unsigned seed)
{
    const std::string body =
        FilePart(boundary, "a.bin", data) + FilePart(boundary, "b.bin", "next") + Closing(boundary);
    Parsed parsed = Parse(body, boundary, seed);
    ASSERT_EQ(parsed.files.size(), 2u) << boundary.size() << " " << data.size();
    EXPECT_TRUE(parsed.files[0].stored);
    EXPECT_TRUE(parsed.sink.files[0].data == data) << boundary.size() << " " << data.size();
    EXPECT_EQ(parsed.sink.files[1].data, "next");
}

// The data of a part is read in blocks from its first byte.
constexpr std::size_t kBlock = kPartDataBlockBytes;

TEST(MultipartParserTest, DelimiterAcrossTheReadBoundaryIsFound)
{
    // Data lengths around one and two blocks put the delimiter across a block end at every offset.
    for (const std::string& boundary : {std::string("b"), std::string(kBoundary), std::string(600, 'z')}) {
        const std::size_t delimiter = boundary.size() + 8;
        for (std::size_t block_end : {kBlock, 2 * kBlock}) {
            for (std::size_t size = block_end - delimiter - 2; size <= block_end + 2; ++size) {
                ExpectStoredExactly(boundary, std::string(size, 'd'), static_cast<unsigned>(size));
            }
        }
    }
}

TEST(MultipartParserTest, NearDelimiterAcrossTheReadBoundaryIsData)
{
    for (const std::string& boundary : {std::string("b"), std::string(kBoundary)}) {
        const std::string start = "\r\n--" + boundary;
        for (const std::string& near :
             {start + "d", start + "--d", start + "\rd", start + "-\r\n", start + "--\r",
              "\r\n--" + boundary.substr(0, boundary.size() - 1) + "\r\n"}) {
            for (std::size_t offset = 0; offset <= near.size(); ++offset) {
                std::string data(kBlock + 100, 'd');
                data.replace(kBlock - offset, near.size(), near);
                ExpectStoredExactly(boundary, data, static_cast<unsigned>(offset));
            }
        }
    }
}

// Where a naive reading of the rules puts the end of a part's data: the first CR LF "--" boundary
// followed by CR LF or "--" CR LF.
std::size_t NaiveDataEnd(std::string_view data_and_rest, std::string_view boundary)
{
    const std::string delimiter = "\r\n--" + std::string(boundary);
    for (std::size_t i = 0; i < data_and_rest.size(); ++i) {
        std::string_view at = data_and_rest.substr(i);
        if (at.starts_with(delimiter + "\r\n") || at.starts_with(delimiter + "--\r\n")) return i;
    }
    return std::string_view::npos;
}

// Data made of the pieces of delimiters, so that near-delimiters are everywhere.
std::string TrickyData(std::mt19937& random, std::string_view boundary, std::size_t size)
{
    const std::string pieces[] = {"\r\n",
                                  "\r",
                                  "\n",
                                  "-",
                                  "--",
                                  std::string(boundary),
                                  std::string(boundary.substr(0, boundary.size() / 2)),
                                  "x",
                                  std::string(300, 'y')};
    std::string data;
    while (data.size() < size)
        data += pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(random)];
    return data;
}

TEST(MultipartParserTest, RandomBodiesInRandomPieces)
{
    std::mt19937 random(20240611);
    for (int round = 0; round < 300; ++round) {
        const std::string boundary = round % 3 == 0 ? "b" : round % 3 == 1 ? "--" : std::string(kBoundary);
        std::string body = "--" + boundary + "\r\n";
        std::vector<std::string> expected;
        const int parts = std::uniform_int_distribution<int>(1, 4)(random);
        for (int part = 0; part < parts; ++part) {
            std::string data =
                TrickyData(random, boundary, std::uniform_int_distribution<std::size_t>(0, 20000)(random));
            // Keep only data whose own bytes do not hold a real delimiter.
            if (NaiveDataEnd(data + "\r\n--" + boundary + "--\r\n", boundary) != data.size()) continue;
            const bool is_file = std::uniform_int_distribution<int>(0, 3)(random) != 0;
            std::string headers = is_file ? "Content-Disposition: form-data; name=\"f\"; filename=\"f" +
                                                std::to_string(expected.size()) + "\"\r\n"
                                          : "Content-Disposition: form-data; name=\"field\"\r\n";
            body += headers + "\r\n" + data + "\r\n--" + boundary + "\r\n";
            if (is_file) expected.push_back(std::move(data));
        }
        body.resize(body.size() - 2);  // the last delimiter becomes the closing one
        body += "--\r\n";
        Parsed parsed = Parse(body, boundary, static_cast<unsigned>(round));
        ASSERT_EQ(parsed.files.size(), expected.size()) << "round " << round;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_TRUE(parsed.files[i].stored) << "round " << round << " file " << i;
            EXPECT_EQ(parsed.sink.files[i].data, expected[i]) << "round " << round << " file " << i;
            EXPECT_EQ(parsed.files[i].bytes_written, expected[i].size());
        }
    }
}

}  // namespace
}  // namespace vireo
