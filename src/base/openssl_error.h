#pragma once

#include <openssl/err.h>

#include <string>

namespace vireo {

// OpenSSL's reason for the last failure on this thread ("error:...:key values mismatch"), empty
// when it gave none; the queue is emptied for the next caller.
inline std::string TakeOpenSslReason()
{
    char text[256] = "";
    if (const unsigned long code = ERR_peek_last_error()) ERR_error_string_n(code, text, sizeof text);
    ERR_clear_error();
    return text;
}

// `what`, followed by ": " and OpenSSL's reason when it gave one.
inline std::string WithOpenSslReason(std::string what)
{
    const std::string reason = TakeOpenSslReason();
    if (!reason.empty()) what += ": " + reason;
    return what;
}

}  // namespace vireo
