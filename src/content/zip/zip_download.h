#pragma once

#include "site/exchange.h"

namespace vireo {

// Answers a GET of a directory with the query "zipdld": the directory packed into a zip archive
// while it is sent, as a chunked answer offered for download as "<directory name>.zip". A writer
// thread fills a temporary file and this thread sends what is final of it as it grows, so the
// download starts at once; sub-folders are packed when the virtual folder allows browsing them.
// Progress goes to the client table when the exchange has one; its total grows with each piece, as the archive's size is
// not known in advance.
//
// Returns 0 once the answer has ended (also when the visitor went away mid-way; the writer is stopped
// and waited for, and its temporary file goes with it), the negative socket error when the head
// could not be sent, or the send result of the 404 page for a target that is no directory or when no
// temporary file can be had.
int AnswerZipDownload(Exchange& exchange);

}  // namespace vireo
