#pragma once

#include "content/extensions/exchange_files.h"
#include "content/extensions/extension_limits.h"
#include "platform/spawned_process.h"

namespace vireo {

enum class ProgramEnding {
    AfterAnswer,  // the answer is complete: the program gets the stall limit to end on its own
    GiveUp,       // the exchange broke off or was given up: the program is asked to stop at once
};

// Sees the program to its end before the exchange files go: when it runs on (after the stall
// limit, or at once when giving up) the stop file appears; a program still running after the stop
// grace gets SIGTERM on its process group, and SIGKILL after the kill grace. Returns once the
// program has been reaped.
void EndProgram(SpawnedProcess& program, const ExchangeFiles& files, const ExtensionLimits& limits,
                ProgramEnding ending);

}  // namespace vireo
