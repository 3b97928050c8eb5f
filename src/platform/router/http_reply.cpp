#include "platform/router/http_reply.h"

#include <charconv>

#include "base/ascii_case.h"
#include "base/chunked_body.h"
#include "platform/router/upnp_text.h"

namespace vireo {
namespace {

bool NamesChunked(std::string_view value)
{
    for (std::size_t at = 0; at + 7 <= value.size(); ++at) {
        if (EqualsIgnoreCase(value.substr(at, 7), "chunked")) return true;
    }
    return false;
}

}  // namespace

HttpReplyReader::State HttpReplyReader::Add(std::string_view bytes)
{
    if (state_ != State::NeedMore) return state_;
    if (bytes.size() > max_bytes_ - received_.size()) return state_ = State::Failed;
    received_.append(bytes);
    return state_ = Examine();
}

HttpReplyReader::State HttpReplyReader::Close()
{
    if (state_ != State::NeedMore) return state_;
    if (framing_ != Framing::UntilClose) return state_ = State::Failed;
    body_ = received_.substr(head_size_);
    return state_ = State::Complete;
}

HttpReplyReader::State HttpReplyReader::Examine()
{
    if (framing_ == Framing::Unknown) {
        const std::size_t blank = received_.find("\r\n\r\n");
        if (blank == std::string::npos) return State::NeedMore;
        head_size_ = blank + 4;
        const std::string_view head_text = head();
        const std::string_view length_text = HeaderValue(head_text, "Content-Length");
        const auto [end, error] =
            std::from_chars(length_text.data(), length_text.data() + length_text.size(), length_);
        if (NamesChunked(HeaderValue(head_text, "Transfer-Encoding"))) {
            framing_ = Framing::Chunked;
        } else if (!length_text.empty() && error == std::errc() &&
                   end == length_text.data() + length_text.size()) {
            framing_ = Framing::Length;
        } else {
            framing_ = Framing::UntilClose;
        }
    }
    const std::string_view body = std::string_view(received_).substr(head_size_);
    switch (framing_) {
        case Framing::Length:
            if (body.size() < length_) return State::NeedMore;
            body_ = body.substr(0, length_);
            return State::Complete;
        case Framing::Chunked: {
            // Only a line end can finish the last chunk, so the body is joined only then.
            if (!body.ends_with('\n')) return State::NeedMore;
            JoinedChunks joined = JoinChunks(body);
            if (!joined.last_chunk_seen) return State::NeedMore;
            body_ = std::move(joined.data);
            return State::Complete;
        }
        case Framing::UntilClose:
        case Framing::Unknown:
            return State::NeedMore;
    }
    return State::NeedMore;
}

}  // namespace vireo
