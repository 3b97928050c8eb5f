#pragma once

#include <signal.h>

namespace vireo {

// A visitor who hangs up mid-answer must be an error code, not the end of the program: a write to a
// closed connection raises SIGPIPE, which ends a process by default. Plain sends say MSG_NOSIGNAL,
// but OpenSSL writes with write(), so the signal is ignored for the whole process, first thing in
// main. Programs Vireo starts get default handling back: SpawnedProcess asks posix_spawn for it, and
// QProcess resets SIGPIPE in its children.
inline void IgnoreBrokenPipes()
{
    ::signal(SIGPIPE, SIG_IGN);
}

}  // namespace vireo
