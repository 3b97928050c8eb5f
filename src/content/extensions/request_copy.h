#pragma once

#include <expected>

#include "http/client_table.h"
#include "http/connection.h"

namespace vireo {

enum class RequestCopy { Copied, NotWritten };

// Writes the request to `fd` as it was received: the header bytes through the blank line, then
// for POST exactly "Content-Length" bytes of body, those that came with the header first and then
// what arrives (a client waiting for "100 Continue" gets it). NotWritten when the file could not
// take the bytes; the socket's negative code when the client left, the connection failed, or the
// client sent nothing for a minute.
std::expected<RequestCopy, int> CopyRequest(Connection& connection, ClientTable* progress, int fd);

}  // namespace vireo
