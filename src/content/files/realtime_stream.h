#pragma once

#include <chrono>

#include "site/exchange.h"

namespace vireo {

// How long a real-time stream may sit idle before it asks again whether the file is still
// published as real-time.
inline constexpr std::chrono::milliseconds kRealTimeIdleLimit{15000};

// Answers a GET for a real-time dynamic file: a chunked stream of what another program appends to
// the file from now on (what it held when the request came is not sent). Ends once the owner has
// cleared the real-time flag (checked after each `idle_limit` of accumulated idle time), when the
// client has gone, or when a send fails. A target that is no dynamic file, or a file that cannot be
// opened, gets the 404 page. Progress goes to `progress` when given. Returns the last
// send result.
int StreamRealTimeFile(Exchange& exchange, std::chrono::milliseconds idle_limit = kRealTimeIdleLimit);

}  // namespace vireo
