#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "http/connection.h"

namespace vireo::testing {

// Runs a handler on a Connection whose request is `request`, over one end of a socket pair, and
// returns every byte the handler sent (with the Date value masked), read from the other end while
// it sends.
std::string AnswerOverSocketPair(std::string_view request, const std::function<void(Connection&)>& handler);

}  // namespace vireo::testing
