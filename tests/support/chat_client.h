#pragma once

// A chat member as a browser is one, over real sockets: the frameset gives it an id, its output page
// stays open and collects every chunk the room sends, and its input page posts what it says.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/ipv4.h"
#include "support/loopback.h"

namespace vireo::testing {

// The pieces of a chunked body, each checked for a well-formed size line; nothing when the framing
// is broken. A last piece cut short is left out.
std::optional<std::vector<std::string>> SplitChunks(std::string_view body);

// The chunk that reloads every member's list.
inline constexpr std::string_view kListReload =
    "<script LANGUAGE=JAVASCRIPT>parent.list.document.location.reload();</script>\r\n";

// The member id a frameset page carries; 0 when it carries none.
std::uint32_t FramesetMemberId(std::string_view answer);

class ChatClient {
public:
    // Opens the frameset for an id and then the output page; `from` is the loopback address it comes
    // from.
    explicit ChatClient(std::uint16_t port, const Ipv4Address& from = {127, 0, 0, 1});

    std::uint32_t id() const { return id_; }
    bool joined() const { return output_ != nullptr && output_->connected(); }

    // Waits until what the output page received holds `text`.
    bool WaitFor(std::string_view text, std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Waits until the output page has received `count` list reloads in all.
    bool WaitForListReloads(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Everything the output page has received so far (reads what is waiting first).
    const std::string& received();
    // The chunks after the answer's head.
    std::vector<std::string> Chunks();
    // True when the server closed the output page within the limit.
    bool WaitForClose(std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Stops reading and closes the output page, as a closed browser window does.
    void Leave() { output_.reset(); }

    // Posts the input form from this member's address; returns the answer.
    std::string Say(std::string_view text, std::string_view to = "All");

private:
    // Reads what has arrived, waiting at most `limit` for the first byte; false once closed.
    bool ReadSome(std::chrono::milliseconds limit);

    std::uint16_t port_;
    Ipv4Address from_;
    std::uint32_t id_ = 0;
    std::unique_ptr<LoopbackClient> output_;
    std::string received_;
    bool closed_ = false;
};

// A form post of `body` to the chat below /Webchat/ with the query `query`.
std::string SpeechPost(std::string_view query, std::string_view body);

}  // namespace vireo::testing
