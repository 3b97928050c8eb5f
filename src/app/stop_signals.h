#pragma once

#include <signal.h>

namespace vireo {

// SIGINT and SIGTERM, blocked in the calling thread so that only it takes them (with sigtimedwait
// or a signalfd): every thread started afterwards inherits the mask and is never interrupted.
// SIGPIPE is ignored, so a visitor who hangs up mid-answer is an error code, not the end.
sigset_t BlockStopSignals();

}  // namespace vireo
