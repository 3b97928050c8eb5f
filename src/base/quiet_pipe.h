#pragma once

#include <pthread.h>
#include <signal.h>

#include <ctime>

namespace vireo {

// OpenSSL writes to its socket with write(), which raises SIGPIPE when the peer has gone, and that
// would end the whole program; plain sends say MSG_NOSIGNAL instead. So while OpenSSL may write,
// the signal is held back on this thread, and one it raised is taken away before it is let
// through again. Process-wide ignoring would be simpler but would reach the programs Vireo starts.
class QuietPipe {
public:
    QuietPipe()
    {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
        sigset_t pending;
        sigpending(&pending);
        was_pending_ = sigismember(&pending, SIGPIPE) == 1;
    }
    ~QuietPipe()
    {
        if (!was_pending_) {
            sigset_t pending;
            sigpending(&pending);
            if (sigismember(&pending, SIGPIPE) == 1) {
                const timespec now{};
                sigtimedwait(&pipe_, nullptr, &now);
            }
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    QuietPipe(const QuietPipe&) = delete;
    QuietPipe& operator=(const QuietPipe&) = delete;

private:
    sigset_t pipe_;
    sigset_t old_;
    bool was_pending_ = false;
};

}  // namespace vireo
