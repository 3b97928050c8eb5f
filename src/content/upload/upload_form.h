#pragma once

#include <span>
#include <string>
#include <string_view>

#include "content/upload/multipart_parser.h"
#include "http/response.h"
#include "site/exchange.h"

namespace vireo {

// The status line of an upload that did not get as far as reading any part.
inline constexpr std::string_view kNoFilesReceived = "No Files Received";

// The status line of an upload: "N Files: " and, for each file part, its base name, the bytes
// written with digit grouping and "OK" or "Failed", the parts separated by "; ".
std::string UploadResultText(std::span<const ReceivedFile> files);

// Fills `response` with the "Post a File" page of a directory inside a virtual folder (finished):
// the form posting to the page's own URL, with `status_text` (plain text) in its status cell; an
// empty status shows the plain form.
void WriteUploadPage(Response& response, const ResolvedTarget& directory, std::string_view status_text);

// Answers the form for the directory with an empty status cell, reporting the send's progress to the
// client table when one is given. Returns the send result.
int AnswerUploadForm(Exchange& exchange);

}  // namespace vireo
