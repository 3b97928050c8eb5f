#pragma once

#include <string_view>

#include "http/response.h"
#include "site/exchange.h"

namespace vireo {

// Fills `response` with the answer for the file a request path resolved to, honouring the request's
// conditional and range headers (each empty when the request has none):
// - an If-None-Match equal to the entity tag, or an If-Modified-Since not earlier than the file's
//   last write (to the second), gives 304;
// - one satisfiable Range, when If-Range is absent or equals the entity tag, gives 206 with that
//   part of the file;
// - otherwise 200 with the whole file.
// A target that is not a regular file that can be opened leaves the response unfinished: nothing
// is sent and the connection closes without an answer. Does nothing when the response already has
// a file. The home page hands its file over with no conditions, so it is always delivered whole.
void BuildFileResponse(FileResponse& response, const ResolvedTarget& target,
                       std::string_view if_modified_since = {}, std::string_view if_none_match = {},
                       std::string_view if_range = {}, std::string_view range = {});

// Answers a GET or HEAD for the file the request resolved to, with the request's own headers,
// reporting progress to the client table when one is given. Returns the send result (0 when there
// was nothing to send).
int DeliverFile(Exchange& exchange);

}  // namespace vireo
