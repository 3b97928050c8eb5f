#pragma once

// The member's side of a login: one exchange with one host, and its outcome in the host's record.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string_view>

#include "community/web_community/community_records.h"
#include "community/web_community/community_store.h"
#include "community/web_community/login_reply.h"

namespace vireo {

// How long one login may take. The connection gets the time a connect is given anywhere in the
// program; once connected, the whole exchange must be over within `exchange` and its reply fit
// `reply_bytes`, so one slow or endless host cannot hold up the logins to every other.
struct LoginLimits {
    std::chrono::milliseconds connect{60000};
    std::chrono::milliseconds exchange{30000};
    std::size_t reply_bytes = 64 * 1024;
};

// Logs in to the host the record names, from the site at `site_url` ("http://a.b.c.d:port/").
// Nothing when `cancel_fd` (a CancelEvent's, or -1) cut the exchange short.
std::optional<LoginOutcome> ExchangeLogin(const CommunityHost& host, std::string_view site_url,
                                          const LoginLimits& limits, int cancel_fd = -1);

// Writes the outcome into the host's record as stored now: an accepted login sets the host's
// name, page and description and the login time; a failure puts its text in place of the
// description and clears name and page. One store transaction reads the record again and writes
// only these fields, and only while the record still has the login address the exchange used, so
// an edit or a removal made meanwhile is kept.
RecordUpdate StoreLoginOutcome(const CommunityHost& host, const LoginOutcome& outcome);

// One login to one host, its outcome stored as StoreLoginOutcome says. False when `cancel_fd` cut
// the exchange short (nothing is stored then).
bool LoginToHost(const CommunityHost& host, std::string_view site_url, const LoginLimits& limits,
                 int cancel_fd = -1);

}  // namespace vireo
