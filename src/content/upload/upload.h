#pragma once

#include "site/exchange.h"

namespace vireo {

// Receives a multipart/form-data upload into a directory inside a virtual folder and answers with the
// "Post a File" page listing what was stored. The body is first stored whole in a scratch file, as
// much as Content-Length says, reporting its progress to the client table when one is given; only then
// is it split into parts, each file part becoming a file of its own in the directory. A client that
// waits for leave to send the body ("Expect: 100-continue") is first answered "100 Continue". Without
// a Content-Length, a boundary or a directory the page says "No Files Received". When the connection
// fails or the client stops sending before the body is complete, nothing is stored, nothing is sent
// and the negative socket code is returned; otherwise the send result.
int ReceiveUpload(Exchange& exchange);

}  // namespace vireo
