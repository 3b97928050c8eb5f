// LoginReplyReader over a host's reply to a member's login, fed in pieces as a socket hands it
// over. Whatever the host sends, the outcome is decided by the bytes up to the moment of the
// decision alone, never holds more than the reply, and an accepted login keeps its fields within
// what the host record holds.
//
// Input: byte 0 chooses the pieces (0: one piece; else pieces of 1 to byte 0 bytes); the rest is
// what the host sends.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/chunked_body.h"
#include "community/web_community/login_reply.h"
#include "fuzz_pieces.h"
#include "fuzz_support.h"

namespace vireo::fuzz {
namespace {

// The member reads at most this much of a reply.
constexpr std::size_t kReplyCap = 64 * 1024;

bool Trimmed(std::string_view text)
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    return text.empty() || (!blank(text.front()) && !blank(text.back()));
}

bool Same(const LoginOutcome& a, const LoginOutcome& b)
{
    return a.accepted == b.accepted && a.host_name == b.host_name && a.host_page == b.host_page &&
           a.text == b.text;
}

// Feeds the reply in pieces; the outcome and how many bytes it took to decide it.
std::pair<std::optional<LoginOutcome>, std::size_t> ReadInPieces(std::string_view reply, std::uint8_t limit)
{
    LoginReplyReader reader(kReplyCap);
    std::optional<LoginOutcome> outcome;
    const std::size_t fed = FeedInPieces(reply, limit, [&](std::string_view bytes) {
        outcome = reader.Add(bytes);
        return !outcome;
    });
    return {outcome, fed};
}

void CheckOutcome(const LoginOutcome& outcome)
{
    Require(Trimmed(outcome.text) && outcome.text.size() <= kReplyCap);
    if (outcome.accepted) {
        Require(outcome.host_name.size() <= 31 && outcome.host_page.size() <= 254 &&
                outcome.text.size() <= 254);
        Require(Trimmed(outcome.host_name) && Trimmed(outcome.host_page));
        Require(outcome.host_name.find("\r\n") == std::string::npos &&
                outcome.host_page.find("\r\n") == std::string::npos);
    } else {
        Require(outcome.host_name.empty() && outcome.host_page.empty());
        Require(outcome.text.find("\r\n") == std::string::npos);
    }
}

}  // namespace
}  // namespace vireo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo;
    using namespace vireo::fuzz;
    if (size == 0) return 0;
    const std::string_view reply = AsText(data + 1, size - 1);

    const auto [outcome, decided_at] = ReadInPieces(reply, data[0]);
    if (outcome) {
        CheckOutcome(*outcome);
        // The same bytes in one piece decide the same.
        LoginReplyReader whole(kReplyCap);
        const std::optional<LoginOutcome> again = whole.Add(reply.substr(0, decided_at));
        Require(again && Same(*again, *outcome));
    }

    // The body as a host may frame it, read on its own.
    const LoginOutcome body = ReadLoginBody(reply);
    CheckOutcome(body);
    Require(JoinChunks(reply).data.size() <= reply.size());
    return 0;
}
