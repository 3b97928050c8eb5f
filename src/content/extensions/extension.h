#pragma once

#include "content/extensions/extension_limits.h"
#include "site/exchange.h"

namespace vireo {

// Answers a request below "/Extension/" with the site owner's program the path names, started
// once for this request: the request goes to the program as a file of the extension folder, the
// program's files give the answer. 404 while extensions are off or without such a file, 502 for a
// file that cannot be run (see FindRunnableProgram) or does not start, 503 when the request cannot
// be written down; the program's own failures are answered by AnswerFromProgram. The exchange's
// files are removed however it ends. A request body that does not arrive ends the request without
// an answer. Returns the last send result, or the socket's negative code.
int RunExtension(Exchange& exchange, const ExtensionLimits& limits);

// RunExtension with the usual limits: the route table's handler.
int AnswerExtension(Exchange& exchange);

}  // namespace vireo
