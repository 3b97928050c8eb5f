#pragma once

#include <memory>

namespace vireo {

class StreamSocket;
struct ServerContext;

// Gives an accepted socket a detached thread of its own that answers its one request and closes
// it; `accepted` is left without a socket. When no thread or memory can be had, the socket is
// closed at once.
void StartConnectionThread(const std::shared_ptr<ServerContext>& context, StreamSocket& accepted);

}  // namespace vireo
