#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "content/extensions/exchange_control.h"
#include "content/extensions/exchange_files.h"
#include "content/extensions/extension_limits.h"
#include "platform/regular_file.h"
#include "platform/spawned_process.h"

namespace vireo {

// The files a running program writes, each waited for the same way: looked for again every poll
// step while the program runs, once more right after it has ended, and given up on when the
// program ends without it or runs for the stall limit without writing it. A file written before
// the control file is complete once the control file holds its three characters.
class ProgramOutput {
public:
    ProgramOutput(SpawnedProcess& program, const ExchangeFiles& files, const ExtensionLimits& limits)
        : program_(program), files_(files), limits_(limits)
    {
    }

    std::optional<ExchangeControl> AwaitControl();
    // The whole head file; nothing also when it is larger than a head can sensibly be.
    std::optional<std::string> AwaitHead();
    // The path named by the body file; empty when there is none.
    std::string AwaitBodyPath();
    // The body file: the exchange's own, or the file at `path` (relative paths start where the
    // server, and so the program, runs).
    std::optional<RegularFile> AwaitBody(const std::optional<std::string>& path);

private:
    // Calls `attempt` until it gives a value, as the class comment says.
    template <class Attempt>
    auto Await(Attempt attempt) -> decltype(attempt());
    // The first `limit` bytes of an exchange file; nothing while it does not exist or holds more
    // than `limit` bytes with whole_only.
    std::optional<std::string> ReadFile(ExchangeFile file, std::size_t limit, bool whole_only) const;

    SpawnedProcess& program_;
    const ExchangeFiles& files_;
    const ExtensionLimits& limits_;
};

}  // namespace vireo
