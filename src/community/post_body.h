#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>

#include "http/client_table.h"
#include "http/connection.h"
#include "http/request.h"

namespace vireo {

// The most of a guestbook message or chat speech body that is read; the rest is left unread.
inline constexpr std::uint64_t kPostBodyCap = 65536;

// A post's body as far as it is read.
struct PostBody {
    std::optional<std::string> bytes;  // nothing when it could not be kept on its way in
    bool cut = false;                  // the announced body was longer than the cap
};

// Whether a request's body is a form as browsers post one ("application/x-www-form-urlencoded",
// ASCII case ignored): the only kind the guestbook and the chat room read.
bool IsFormPost(const Request& request);

// Reads the first `announced` bytes of a request body, at most kPostBodyCap, with the uploads'
// rules: progress to the client table when one is given, each wait bounded, a client that sends
// nothing for a minute given up. The socket's negative code when the connection failed or stalled.
std::expected<PostBody, int> ReadPostBody(Connection& connection, ClientTable* progress,
                                          std::uint64_t announced);

}  // namespace vireo
