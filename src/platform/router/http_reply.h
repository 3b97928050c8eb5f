#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vireo {

// Collects the reply to one HTTP request as its bytes arrive: the head up to its blank line, then
// the body as far as its framing says: a chunked body to its last chunk (joined), else
// "Content-Length" bytes, else everything until the peer closes.
class HttpReplyReader {
public:
    enum class State { NeedMore, Complete, Failed };

    // A reply of more than max_bytes in all fails.
    explicit HttpReplyReader(std::size_t max_bytes) : max_bytes_(max_bytes) {}

    State Add(std::string_view bytes);
    // The peer closed the connection: a body that runs to the close is complete then, any other
    // unfinished reply has failed.
    State Close();
    State state() const { return state_; }

    // The head with its blank line, once it has come.
    std::string_view head() const { return std::string_view(received_).substr(0, head_size_); }
    // The body (joined when chunked), once complete.
    const std::string& body() const { return body_; }

private:
    enum class Framing { Unknown, Length, Chunked, UntilClose };

    State Examine();

    const std::size_t max_bytes_;
    std::string received_;
    std::size_t head_size_ = 0;
    Framing framing_ = Framing::Unknown;
    std::size_t length_ = 0;
    std::string body_;
    State state_ = State::NeedMore;
};

}  // namespace vireo
