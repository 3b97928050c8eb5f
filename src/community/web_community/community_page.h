#pragma once

#include "http/response.h"
#include "site/exchange.h"

namespace vireo {

// Fills `response` (finished) with the community page: the banner, then the members while this
// server is a community host and the communities it logs in to while it is a member. Names and
// descriptions from other machines are HTML-escaped; an address becomes a link only when it is a
// web address, else the name stands alone.
void WriteCommunityPage(Response& response);

// GET or HEAD of /WebCommunity/.
int AnswerCommunityPage(Exchange& exchange);

}  // namespace vireo
