#include "app/stop_signals.h"

#include <pthread.h>

namespace vireo {

sigset_t BlockStopSignals()
{
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    return stops;
}

}  // namespace vireo
