#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/ipv4.h"
#include "http/growable_buffer.h"
#include "http/socket_errors.h"

namespace vireo {

class TlsContext;
class TlsSession;

// A TCP socket with a receive buffer and a send queue. Every wait is a poll with a time-out;
// operations return 0 or a count on success and a negative code (socket_errors.h) on failure,
// leaving "Socket Error = N" in the error text. A connection that began a TLS handshake carries its
// session, and every transfer below goes through it; a plain one has none.
class StreamSocket {
public:
    StreamSocket();
    virtual ~StreamSocket();
    StreamSocket(const StreamSocket&) = delete;
    StreamSocket& operator=(const StreamSocket&) = delete;

    int Create(int type, int protocol = 0);
    // Takes ownership of an open handle, closing any old one.
    void Attach(int handle);
    // Gives up the handle without closing it.
    int Detach();
    // Takes the other socket's handle, and what it knows of the two ends, closing any old one.
    void TakeOver(StreamSocket& other);
    // Closes the socket and empties both buffers (which stay allocated).
    void Close();

    // Address and port as given (address in address order, port in host order).
    int Bind(const Ipv4Address& address, std::uint16_t port);
    int SetBlocking(bool blocking);
    int Listen(int backlog);
    // The accepted socket is non-blocking. `local`, when the listener is bound to one address, is
    // this end of every connection it accepts, so nobody needs to ask the system for it.
    int Accept(StreamSocket& into, const std::optional<Ipv4Endpoint>& local = std::nullopt);
    // The same from a listening handle that belongs to someone else; the failure is returned only.
    static int AcceptFrom(int listener, StreamSocket& into,
                          const std::optional<Ipv4Endpoint>& local = std::nullopt);
    // With wait set, a connection in progress is waited for up to 60 seconds.
    int Connect(const Ipv4Address& address, std::uint16_t port, bool wait);

    // 1 when ready, 0 on time-out, negative on failure.
    int Wait(int milliseconds, bool for_write);
    // Appends at most 8192 received bytes; returns the count, 0 on time-out, negative on failure
    // (kSocketPeerClosed when the peer closed).
    int Receive(int milliseconds);
    std::string_view ReceivedData() const { return received_.view(); }
    void Consume(std::size_t n) { received_.Consume(n); }
    std::size_t ClearReceived() { return received_.Clear(); }

    // Appends to the send queue and returns the queued length; nothing queued when memory runs out.
    std::size_t Queue(const void* bytes, std::size_t n);
    std::size_t QueueText(std::string_view text) { return Queue(text.data(), text.size()); }
    std::size_t QueuedLength() const { return queued_.size(); }
    std::size_t ClearQueued() { return queued_.Clear(); }
    // One send of the queue; returns the count sent, 0 when nothing is queued or on time-out.
    int Send(int milliseconds);
    // One send of at most `count` bytes of an open file, from its current position, past the send
    // queue (which should be empty). Returns the count sent, 0 on time-out, and -ENODATA when the
    // file ends first. The socket should be non-blocking, as every accepted connection is.
    int SendFile(int file, std::size_t count, int milliseconds);

    // The first byte the peer sent, left unread, once it arrives before the deadline; else the
    // failure (kSocketTimedOut, kSocketPeerClosed ...).
    int PeekFirstByte(std::chrono::steady_clock::time_point deadline);
    // Begins TLS on the connection and completes the handshake before the deadline: 0, or
    // kSocketHandshakeFailed, kSocketTimedOut, or another failure. Nothing must have been read yet.
    int StartTls(const std::shared_ptr<const TlsContext>& context,
                 std::chrono::steady_clock::time_point deadline);
    bool IsTls() const { return tls_ != nullptr; }
    // Reads what has arrived into `into`, without waiting and past the receive buffer: a count,
    // kSocketWouldBlock when nothing is there, kSocketPeerClosed, or another failure.
    int ReceiveAvailable(void* into, std::size_t n);
    // Tells the peer that nothing more will be sent, while still reading what it sends.
    void ShutdownSend();

    // 0 while the peer is there, kSocketPeerClosed once it has gone, kSocketNotASocket without a socket.
    int PeerClosed();
    bool PeerAddress(Ipv4Endpoint& out) const;
    bool LocalAddress(Ipv4Endpoint& out) const;

    int handle() const { return handle_; }
    bool IsPeerClosed() const { return peer_closed_; }
    const std::string& ErrorText() const { return error_text_; }

protected:
    // Records a failure code (negative) in the error text and returns it.
    int Fail(int code);
    // Fails with the code for errno, noting a peer that has gone.
    int FailFromErrno();
    void ForgetEnds();

private:
    // One transfer through the TLS session: tried at once and, when the socket is not ready, once
    // more after waiting up to `milliseconds` for it. A count, 0 when nothing moved in time, or a
    // failure (recorded, and the peer marked gone when it closed).
    template <class Attempt>
    int ThroughTls(int milliseconds, Attempt attempt);
    int ReceiveTls(int milliseconds);
    int SendTls(int milliseconds);
    int SendFileTls(int file, std::size_t count, int milliseconds);
    int PeerClosedTls();

    int handle_ = -1;
    GrowableBuffer received_;
    GrowableBuffer queued_;
    std::string error_text_;
    bool peer_closed_ = false;
    mutable std::optional<Ipv4Endpoint> peer_;   // the peer, once asked for
    mutable std::optional<Ipv4Endpoint> local_;  // this end of a connected socket, once asked for
    std::unique_ptr<TlsSession> tls_;            // nullptr on a plain connection
};

}  // namespace vireo
