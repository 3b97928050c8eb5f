#pragma once

#include <signal.h>

namespace vireo {

// SIGINT and SIGTERM, blocked in the calling thread so that only it takes them (with sigtimedwait
// or a signalfd): every thread started afterwards inherits the mask and is never interrupted.
sigset_t BlockStopSignals();

}  // namespace vireo
