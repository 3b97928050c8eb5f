#pragma once

#include <string>
#include <string_view>

#include "community/web_community/community_records.h"
#include "community/web_community/login_address.h"

namespace vireo {

// The login a member sends to a host: one GET to the login address's path with the member ID,
// the site's name, page address, description and (when one is set) icon address in the query,
// each form-encoded. `site_url` is this server's own address ("http://a.b.c.d:port/").
std::string LoginRequest(const CommunityHost& host, const LoginAddress& address, std::string_view site_url);

}  // namespace vireo
