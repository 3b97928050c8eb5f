#pragma once

// The guestbook's answers below /Guestbook/ while it is on: the form page for a read, the storing
// of a message and its reply page for a post, whatever the rest of the path and the query.

#include "site/exchange.h"

namespace vireo {

// GET and HEAD: the form page.
int AnswerGuestbookForm(Exchange& exchange);

// POST: stores the message of a form body as a file named after the visitor's address in the
// guestbook folder, tells the events of it when "GuestbookAlarm" is on, and answers with the reply
// page. Every outcome gets a reply page, except a connection that fails or stalls while the body
// comes: then nothing is sent and the socket's negative code is returned.
int ReceiveGuestbookPost(Exchange& exchange);

}  // namespace vireo
