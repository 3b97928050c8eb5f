#pragma once

#include <openssl/ssl.h>

namespace vireo {

// Connection threads are detached, so one may still be inside OpenSSL (a handshake, a certificate
// being made) while the program exits; OpenSSL's own clean-up at exit would then free its locks
// under that thread. OpenSSL is told to leave its state to the end of the process. Only the first
// initialisation decides, so each file that uses OpenSSL runs this before main:
//     [[maybe_unused]] const bool kOpenSslKept = KeepOpenSslUntilExit();
inline bool KeepOpenSslUntilExit()
{
    return OPENSSL_init_ssl(OPENSSL_INIT_NO_ATEXIT, nullptr) == 1;
}

}  // namespace vireo
