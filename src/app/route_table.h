#pragma once

#include <span>

#include "site/router.h"

namespace vireo {

// Which handler answers which request, in the order the rows are tried.
std::span<const Route> SiteRoutes();

}  // namespace vireo
