#pragma once

// The host's side of a member's login: GET or HEAD of /WebCommunity/login with the member's
// facts in the query. Every login gets status 200 with a plain-text answer: "accepted" with the
// community's name, page and description, or "rejected" with the reason.

#include <string>
#include <string_view>

#include "base/ipv4.h"
#include "site/exchange.h"

namespace vireo {

// Checks a login's query, stores the member's facts and login time when it is accepted, and
// returns the answer's text. `site` is the address this server listens on, from which the
// community page's address is made.
std::string HandleMemberLogin(std::string_view query, const Ipv4Endpoint& site);

int AnswerCommunityLogin(Exchange& exchange);

}  // namespace vireo
