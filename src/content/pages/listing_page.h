#pragma once

#include "http/response.h"
#include "site/exchange.h"

namespace vireo {

// Fills `response` with the listing page of the directory a request path resolved to (finished):
// a banner with links home, to the parent folder and to the upload form as the folder allows; then
// the table of sub-directories (when the folder allows them), the thumbnail index and the files.
// The caller has applied the folder's permissions; a target that is not a directory gets the 404
// page.
void WriteListingPage(Response& response, const ResolvedTarget& target);

// Answers with the listing page of the exchange's directory.
int AnswerListing(Exchange& exchange);

}  // namespace vireo
