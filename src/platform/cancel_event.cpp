#include "platform/cancel_event.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <cstdint>

#include "base/io.h"

namespace vireo {

CancelEvent::CancelEvent() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

void CancelEvent::Set()
{
    const std::uint64_t one = 1;
    if (fd_) (void)WriteAll(fd_.get(), &one, sizeof one);
}

bool CancelEvent::IsSet() const
{
    if (!fd_) return false;
    pollfd probe{fd_.get(), POLLIN, 0};
    return PollRetrying(&probe, 1, 0) == 1;
}

}  // namespace vireo
