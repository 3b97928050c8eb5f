#pragma once

#include <string_view>

#include "core/response.h"

namespace vireo {

// Fills `response` with the listing page of the directory a request path resolves to (finished):
// a banner with links home, to the parent folder and to the upload form as the folder allows; then
// the table of sub-directories (when the folder allows them), the thumbnail index and the files.
// The caller has resolved the path to a directory and applied the folder's permissions; a path that
// no longer names a directory gets the 404 page.
void WriteListingPage(Response& response, std::string_view request_path);

}  // namespace vireo
