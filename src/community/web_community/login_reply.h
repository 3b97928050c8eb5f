#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vireo {

// What a login came to, as the member's host record keeps it.
struct LoginOutcome {
    bool accepted = false;
    std::string host_name;  // accepted only
    std::string host_page;  // accepted only
    std::string text;       // the host's description when accepted, else the failure's text
};

// The failure texts the member records (the host's own rejection reasons come as it sends them).
namespace login_failure {
inline constexpr std::string_view kInvalidLoginUrl = "Invalid Login URL";
inline constexpr std::string_view kNoSocket = "Socket Error 1";
inline constexpr std::string_view kCannotConnect = "Can not connect to ";  // followed by the host name
inline constexpr std::string_view kDisconnected = "Disconected by Host";
inline constexpr std::string_view kUnknownStatus = "Unknown Status Code From Host";
inline constexpr std::string_view kInvalidReply = "Invalid Reply From Host";
// An https:// host whose certificate could not be verified; followed by the reason. The login is
// never tried again in plain text.
inline constexpr std::string_view kTlsFailed = "Secure connection failed: ";
}  // namespace login_failure

LoginOutcome FailedLogin(std::string_view text);

// Reads a host's reply to a login as its bytes arrive, and tells what it came to as soon as it can:
// the head must end in a blank line and carry status 200; the body is "Content-Length" bytes or,
// without a length, chunked and complete once the data ends in the last chunk; the body then says
// "accepted" with the host's name, page and description on the next lines, or anything else with
// a reason on the next line.
class LoginReplyReader {
public:
    // A reply longer than max_bytes is no reply of a host.
    explicit LoginReplyReader(std::size_t max_bytes) : max_bytes_(max_bytes) {}

    // The outcome once the bytes so far decide it.
    std::optional<LoginOutcome> Add(std::string_view bytes);
    // The peer has gone, or the exchange's time is up, before the reply was complete.
    LoginOutcome Disconnected() const { return FailedLogin(login_failure::kDisconnected); }

private:
    enum class Framing { Unknown, Length, Chunked };

    std::optional<LoginOutcome> ReadHead();

    const std::size_t max_bytes_;
    std::string received_;
    std::size_t body_start_ = 0;
    Framing framing_ = Framing::Unknown;
    std::size_t length_ = 0;
};

// The outcome a complete reply body gives.
LoginOutcome ReadLoginBody(std::string_view body);

}  // namespace vireo
