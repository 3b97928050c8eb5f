#pragma once

#include <memory>

namespace vireo {

struct ServerContext;

// Gives an accepted socket a detached thread of its own that answers its one request and closes
// it. When no thread or memory can be had, the socket is closed at once.
void StartConnectionThread(const std::shared_ptr<ServerContext>& context, int socket);

}  // namespace vireo
