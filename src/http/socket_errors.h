#pragma once

namespace vireo {

// Negative results of socket operations. The conditions the rest of the program tests for keep
// these fixed numbers; any other failure is reported as the negated errno.
inline constexpr int kSocketWouldBlock = -10035;
inline constexpr int kSocketNotASocket = -10038;
inline constexpr int kSocketPeerClosed = -10054;
inline constexpr int kSocketTimedOut = -10060;
// The peer did not complete a TLS handshake (it sent something else, or gave up).
inline constexpr int kSocketHandshakeFailed = -999997;
inline constexpr int kSocketFailedUnknown = -999998;
inline constexpr int kSocketNoMemory = -999999;

// Maps an errno value to the negative result code above.
int SocketErrorFromErrno(int error);

}  // namespace vireo
