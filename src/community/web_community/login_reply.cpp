#include "community/web_community/login_reply.h"

#include "base/ascii_case.h"
#include "base/chunked_body.h"
#include "base/text_helpers.h"

namespace vireo {
namespace {

// What a member accepts of a host's name, page address and description.
constexpr std::size_t kMaxHostName = 31;
constexpr std::size_t kMaxHostText = 254;
constexpr std::string_view kLastChunk = "\r\n0\r\n\r\n";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The decimal number at the start of the text, as far as its digits go.
std::size_t LeadingNumber(std::string_view text, std::size_t cap)
{
    std::size_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        number = std::min(number * 10 + static_cast<std::size_t>(c - '0'), cap);
    }
    return number;
}

std::string_view SkipSpacesAndTabs(std::string_view text)
{
    while (!text.empty() && (text[0] == ' ' || text[0] == '\t')) text.remove_prefix(1);
    return text;
}

std::string LowerCase(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) c = ToLowerAscii(c);
    return lower;
}

}  // namespace

LoginOutcome FailedLogin(std::string_view text)
{
    return {false, {}, {}, std::string(text)};
}

std::optional<LoginOutcome> LoginReplyReader::Add(std::string_view bytes)
{
    if (bytes.size() > max_bytes_ - received_.size()) return FailedLogin(login_failure::kInvalidReply);
    received_.append(bytes);
    if (framing_ == Framing::Unknown) {
        if (std::optional<LoginOutcome> decided = ReadHead()) return decided;
        if (framing_ == Framing::Unknown) return std::nullopt;
    }
    const std::string_view body = std::string_view(received_).substr(body_start_);
    switch (framing_) {
        case Framing::Length:
            if (body.size() < length_) return std::nullopt;
            return ReadLoginBody(body.substr(0, length_));
        case Framing::Chunked:
            if (!received_.ends_with(kLastChunk)) return std::nullopt;
            return ReadLoginBody(JoinChunks(body).data);
        case Framing::Unknown:
            break;
    }
    return std::nullopt;
}

std::optional<LoginOutcome> LoginReplyReader::ReadHead()
{
    const std::size_t blank = received_.find("\r\n\r\n");
    if (blank == std::string::npos || received_.size() < 5) return std::nullopt;
    body_start_ = blank + 4;
    const std::string head = LowerCase(std::string_view(received_).substr(0, body_start_));

    // The status code follows the first word of the status line.
    std::size_t at = 0;
    while (at < head.size() && IsBlank(head[at])) ++at;
    while (at < head.size() && !IsBlank(head[at])) ++at;
    const std::string_view status = SkipSpacesAndTabs(std::string_view(head).substr(at));
    if (!status.starts_with("200") || (status.size() > 3 && status[3] >= '0' && status[3] <= '9')) {
        return FailedLogin(login_failure::kUnknownStatus);
    }

    const std::size_t length_at = head.find("content-length:");
    if (length_at != std::string::npos) {
        length_ =
            LeadingNumber(SkipSpacesAndTabs(std::string_view(head).substr(length_at + 15)), max_bytes_ + 1);
        // A length of 0 leaves the wait for the last chunk, which such a reply never sends.
        framing_ = length_ > 0 ? Framing::Length : Framing::Chunked;
        return std::nullopt;
    }
    const std::size_t encoding_at = head.find("transfer-encoding:");
    if (encoding_at == std::string::npos ||
        !SkipSpacesAndTabs(std::string_view(head).substr(encoding_at + 18)).starts_with("chunked")) {
        return FailedLogin(login_failure::kInvalidReply);
    }
    framing_ = Framing::Chunked;
    return std::nullopt;
}

LoginOutcome ReadLoginBody(std::string_view body)
{
    const std::size_t first_end = body.find("\r\n");
    if (first_end == std::string_view::npos) return FailedLogin(login_failure::kInvalidReply);
    const std::string_view rest = body.substr(first_end + 2);
    if (!EqualsIgnoreCase(Trimmed(body.substr(0, first_end)), "accepted")) {
        return FailedLogin(Trimmed(rest.substr(0, rest.find("\r\n"))));
    }
    const std::size_t name_end = rest.find("\r\n");
    if (name_end == std::string_view::npos) return FailedLogin(login_failure::kInvalidReply);
    const std::size_t page_end = rest.find("\r\n", name_end + 2);
    if (page_end == std::string_view::npos) return FailedLogin(login_failure::kInvalidReply);
    LoginOutcome outcome{true, Trimmed(rest.substr(0, name_end)),
                         Trimmed(rest.substr(name_end + 2, page_end - name_end - 2)),
                         Trimmed(rest.substr(page_end + 2))};
    if (outcome.host_name.size() > kMaxHostName || outcome.host_page.size() > kMaxHostText ||
        outcome.text.size() > kMaxHostText) {
        return FailedLogin(login_failure::kInvalidReply);
    }
    return outcome;
}

}  // namespace vireo
