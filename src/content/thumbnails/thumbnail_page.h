#pragma once

#include <string>

#include "http/response.h"
#include "site/exchange.h"

namespace vireo {

// Fills `response` with the thumbnail page of a cache (finished): a table of six pictures a row,
// each linked to the full picture, with its name and size below. A missing or empty cache gives a
// row of empty cells.
void WriteThumbnailPage(Response& response, const std::string& cache_path);

// Answers a request for a directory's thumbnail cache with its thumbnail page.
int AnswerThumbnailPage(Exchange& exchange);

// Answers "file?thumbnail" with the file's thumbnail from its directory's cache: a GIF or BMP image,
// or an empty BMP answer when the cache has no record of the file.
int DeliverThumbnailImage(Exchange& exchange);

}  // namespace vireo
