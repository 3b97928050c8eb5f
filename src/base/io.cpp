#include "base/io.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace vireo {
namespace {

// Makes a system call again for as long as a signal interrupts it.
template <typename Call>
auto Restarting(Call call)
{
    for (;;) {
        const auto result = call();
        if (result >= 0 || errno != EINTR) return result;
    }
}

// Calls `step` with the count done so far, to move part of the rest, until `size` bytes are done or
// a step moves nothing; the count done.
template <typename Step>
std::size_t MoveAll(std::size_t size, Step step)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t moved = step(done);
        if (moved <= 0) break;
        done += static_cast<std::size_t>(moved);
    }
    return done;
}

}  // namespace

UniqueFd OpenAt(int directory, const char* path, int flags)
{
    return UniqueFd(Restarting([&] { return ::openat(directory, path, flags); }));
}

ssize_t ReadSome(int fd, void* buffer, std::size_t size)
{
    return Restarting([&] { return ::read(fd, buffer, size); });
}

ssize_t ReadSomeAt(int fd, void* buffer, std::size_t size, std::uint64_t offset)
{
    return Restarting([&] { return ::pread(fd, buffer, size, static_cast<off_t>(offset)); });
}

ssize_t ReceiveSome(int socket, void* buffer, std::size_t size, int flags)
{
    return Restarting([&] { return ::recv(socket, buffer, size, flags); });
}

std::size_t ReadAllAt(int fd, void* buffer, std::size_t size, std::uint64_t offset)
{
    auto* bytes = static_cast<unsigned char*>(buffer);
    return MoveAll(
        size, [&](std::size_t done) { return ReadSomeAt(fd, bytes + done, size - done, offset + done); });
}

bool WriteAll(int fd, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    return MoveAll(size, [&](std::size_t done) {
               return Restarting([&] { return ::write(fd, bytes + done, size - done); });
           }) == size;
}

bool WriteAllAt(int fd, const void* data, std::size_t size, std::uint64_t offset)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    return MoveAll(size, [&](std::size_t done) {
               return Restarting([&] {
                   return ::pwrite(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
               });
           }) == size;
}

int PollRetrying(pollfd* fds, nfds_t count, int timeout_ms)
{
    using Clock = std::chrono::steady_clock;
    // The clock is read only when a signal can leave part of a wait over; a zero wait, as used to
    // look whether a socket is ready, costs just the poll.
    const Clock::time_point deadline =
        timeout_ms > 0 ? Clock::now() + std::chrono::milliseconds(timeout_ms) : Clock::time_point();
    int wait = timeout_ms;
    for (;;) {
        const int ready = ::poll(fds, count, wait);
        if (ready >= 0 || errno != EINTR) return ready;
        if (timeout_ms > 0) {
            // Rounded up, so the wait never ends before its time.
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            wait = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
        }
    }
}

}  // namespace vireo
