#pragma once

#include <string_view>

#include "http/response.h"

namespace vireo {

// The answers every handler may give. Each one starts the response over and finishes it.

// The error page for `status`, showing the request's header lines (HTML-escaped) when
// `request_text` is not empty. A 204 gets no page at all.
void BuildErrorPage(Response& response, unsigned status, std::string_view request_text);
// 401 with the Basic challenge for the realm "Vireo".
void BuildUnauthorized(Response& response);
// 302 to `location`, with a small page linking to it.
void BuildRedirect(Response& response, std::string_view location);
void BuildNotModified(Response& response);
// The page answering a URL that ends in "??": the request header as the server received it.
void BuildEchoPage(Response& response, std::string_view request_text);

}  // namespace vireo
