#pragma once

#include <poll.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>

#include "base/unique_fd.h"

namespace vireo {

// System calls that a signal can interrupt, restarted until they are done. Each reports a failure as
// the call itself does: -1 (false, or an empty handle) with errno set.

// Opens an existing file at `path`, taken from the folder `directory` (AT_FDCWD: the working folder).
UniqueFd OpenAt(int directory, const char* path, int flags);

// One read(2), pread(2) at `offset`, or recv(2) with `flags`.
ssize_t ReadSome(int fd, void* buffer, std::size_t size);
ssize_t ReadSomeAt(int fd, void* buffer, std::size_t size, std::uint64_t offset);
ssize_t ReceiveSome(int socket, void* buffer, std::size_t size, int flags);

// Reads `size` bytes at `offset`; the count read, fewer only when the file ends or a read fails first.
std::size_t ReadAllAt(int fd, void* buffer, std::size_t size, std::uint64_t offset);

// Writes all of `data` (at `offset`), going on after short writes; false when a write fails or
// writes nothing.
bool WriteAll(int fd, const void* data, std::size_t size);
bool WriteAllAt(int fd, const void* data, std::size_t size, std::uint64_t offset);

// poll(2) whose wait a signal neither cuts short nor lengthens: after one it waits only for what is
// left of `timeout_ms` (negative: no limit).
int PollRetrying(pollfd* fds, nfds_t count, int timeout_ms);

}  // namespace vireo
