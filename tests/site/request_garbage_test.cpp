#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "http/byte_range.h"
#include "http/request.h"

namespace vireo {
namespace {

// Bytes that steer the parser into its branches far more often than uniform noise would.
constexpr std::string_view kInteresting = "\r\n \t:?/\\%GETHOSTgetRange-=0123456789";

std::string RandomBuffer(std::mt19937& random, std::size_t max_length)
{
    std::uniform_int_distribution<std::size_t> length(0, max_length);
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<int> any_byte(0, 255);
    std::uniform_int_distribution<std::size_t> pick(0, kInteresting.size() - 1);
    std::string out(length(random), '\0');
    for (char& c : out) {
        int k = kind(random);
        // Mostly allowed text, sometimes any byte at all (NUL and 0xFF included).
        c = k < 7   ? kInteresting[pick(random)]
            : k < 9 ? static_cast<char>(0x20 + any_byte(random) % 0x5F)
                    : static_cast<char>(any_byte(random));
    }
    return out;
}

// Uses every accessor and checks what must hold for any input.
void CheckInvariants(const Request& request, std::string_view input)
{
    if (request.IsMalicious()) {
        EXPECT_EQ(request.method(), Method::Unknown);
        EXPECT_TRUE(request.Url().empty());
        EXPECT_TRUE(request.RawText().empty());
        EXPECT_FALSE(request.IsWellFormed());
    } else if (!request.RawText().empty()) {
        EXPECT_EQ(request.RawText(), input);
    }
    EXPECT_EQ(request.Url().find_first_of(std::string_view(" \t?\r\n\0", 6)), std::string_view::npos);
    EXPECT_EQ(request.Query().find_first_of(std::string_view(" \t\r\n\0", 5)), std::string_view::npos);
    for (std::string_view name : {"Host", "h", "Range", "", "Content-Length", "G"}) {
        std::string_view value = request.Header(name);
        EXPECT_EQ(value.find_first_of(std::string_view("\r\n\0", 3)), std::string_view::npos);
        EXPECT_EQ(value.data()[value.size()], '\0');
        ParseRange(value, 1000);
    }
    request.ContentLength();
    request.ContentType();
    request.IsWellFormed();
}

TEST(RequestGarbage, RandomBuffersNeverBreakTheParser)
{
    std::mt19937 random(20240611);
    Request request;
    for (int i = 0; i < 5000; ++i) {
        std::string input = RandomBuffer(random, i % 10 == 0 ? 20000 : 300);
        request.Parse(input);
        CheckInvariants(request, input);
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << "input " << i << " of " << input.size() << " bytes";
            return;
        }
    }
}

TEST(RequestGarbage, HugeInputsWithoutTerminator)
{
    Request request;
    std::string one_line = "GET /" + std::string(2 * 1024 * 1024, 'a');
    request.Parse(one_line);
    CheckInvariants(request, one_line);
    EXPECT_EQ(request.Url().size(), 2 * 1024 * 1024 + 1);
    EXPECT_FALSE(request.IsWellFormed());

    std::string many_lines;
    while (many_lines.size() < 2 * 1024 * 1024) many_lines += "X-Header-Line: value\r\n\t folded\r";
    request.Parse(many_lines);
    CheckInvariants(request, many_lines);
    EXPECT_EQ(request.Header("folded"), "");

    std::mt19937 random(7);
    std::string noise(2 * 1024 * 1024, '\0');
    for (char& c : noise) c = static_cast<char>(0x80 + random() % 0x7F);
    request.Parse(noise);
    CheckInvariants(request, noise);
    EXPECT_EQ(request.method(), Method::Unknown);
}

TEST(RequestGarbage, ParsesAnyPrefixOfARealHeader)
{
    const std::string header =
        "GET /folder/file%20name.txt?zipdld HTTP/1.1\r\nHost: 127.0.0.1\r\nRange: bytes=-5\r\n"
        "Content-Length: 12\r\n If-Modified-Since: Sun, 06 Nov 1994 08:49:37 GMT\r\n\r\n";
    Request request;
    for (std::size_t n = 0; n <= header.size(); ++n) {
        request.Parse(header.data(), n);
        CheckInvariants(request, std::string_view(header.data(), n));
    }
    EXPECT_EQ(request.Header("if-modified"), "-Since: Sun, 06 Nov 1994 08:49:37 GMT");
}

}  // namespace
}  // namespace vireo
