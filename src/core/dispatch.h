#pragma once

namespace vireo {

class Connection;
struct ServerContext;

// Reads the connection's one request and answers it. Returns the last send result, or the
// negative read result when the request was blocked or the peer left.
int Dispatch(Connection& connection, ServerContext& context);

}  // namespace vireo
