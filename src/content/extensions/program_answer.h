#pragma once

#include "content/extensions/exchange_files.h"
#include "content/extensions/extension_limits.h"
#include "platform/spawned_process.h"
#include "site/exchange.h"

namespace vireo {

// The part of an exchange that runs beside the started program: waits for its control file, sends
// the head (its own or one the server builds) and the body as the control file says, then sees the
// program to its end. Errors are answered with the status pages: 504 when no control file comes,
// 500 when the head file it announced does not. A HEAD request gets the head alone. Returns the
// last send result.
int AnswerFromProgram(Exchange& exchange, const ExchangeFiles& files, SpawnedProcess& program,
                      const ExtensionLimits& limits);

}  // namespace vireo
