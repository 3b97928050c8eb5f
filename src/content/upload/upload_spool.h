#pragma once

#include <cstdint>
#include <expected>
#include <optional>

#include "http/client_table.h"
#include "http/connection.h"

namespace vireo {

enum class Spooled { Stored, NotWritten };

// Moves the `length` bytes of a request body from the connection into the file `fd`: first those
// that came with the request header, then what arrives, reporting the progress to the client table
// when one is given. Bytes beyond the body are not stored. NotWritten when the file could not take
// the bytes; the socket's negative code when the connection failed, the client closed it, or sent
// nothing for a minute.
std::expected<Spooled, int> SpoolBody(Connection& connection, ClientTable* progress, std::uint64_t length,
                                      int fd);

// A client that announced "Expect: 100-continue" waits for an interim answer before it sends the
// body (curl gives up waiting only after a second): sends "100 Continue" to such a client while
// nothing of the body has come. The socket's negative code when that send failed.
std::optional<int> AnswerContinue(Connection& connection);

}  // namespace vireo
