#include "content/extensions/program_stop.h"

#include <signal.h>

#include "base/io.h"

namespace vireo {

void EndProgram(SpawnedProcess& program, const ExchangeFiles& files, const ExtensionLimits& limits,
                ProgramEnding ending)
{
    if (ending == ProgramEnding::AfterAnswer && program.WaitForEnd(limits.stall_limit)) return;
    if (program.Ended()) return;
    if (UniqueFd stop = files.Create(ExchangeFile::Stop)) {
        const char zero = 0;
        WriteAll(stop.get(), &zero, 1);
    }
    if (program.WaitForEnd(limits.stop_grace)) return;
    program.SignalGroup(SIGTERM);
    if (program.WaitForEnd(limits.kill_grace)) return;
    program.SignalGroup(SIGKILL);
    program.WaitForEnd();
}

}  // namespace vireo
