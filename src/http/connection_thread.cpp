#include "http/connection_thread.h"

#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <new>
#include <thread>

#include "base/ascii_case.h"
#include "base/text_helpers.h"
#include "http/connection.h"
#include "http/https_redirect.h"
#include "http/send_response.h"
#include "http/server.h"

namespace vireo {
namespace {

// How long a finished connection waits for the client to take the last bytes and close first.
constexpr int kLingerMs = 100;
// A connection's work is shallow (no recursion; buffers of any size live on the heap), so half a
// megabyte is plenty, and the threads that wait between connections hold little memory.
constexpr std::size_t kStackBytes = 512 * 1024;

// How many threads wait in accept at a time. Each visitor wakes one of them, and only when both
// have taken a connection is a parked thread called: one visitor at a time (the usual case) never
// needs one. Few, since each waiting accept holds a descriptor in reserve.
constexpr int kAcceptors = 2;
// More threads than this parked are not kept.
constexpr int kMaxParked = 64;
// After an accept failure, a little wait before the next attempt.
constexpr auto kAcceptRetry = std::chrono::milliseconds(100);

// Whether the request's Connection header names "close".
bool AnnouncesClose(const Request& request)
{
    std::string_view options = request.Header("connection");
    while (!options.empty()) {
        const std::size_t comma = std::min(options.find(','), options.size());
        if (EqualsIgnoreCase(Trimmed(options.substr(0, comma)), "close")) return true;
        options.remove_prefix(std::min(comma + 1, options.size()));
    }
    return false;
}

// True when everything the client sent has been read and its request announced no body: closing
// cannot then reset the connection, so there is nothing to wait for.
bool ClientSentAll(const Connection& connection)
{
    const Request& request = connection.request();
    const bool bodiless = (request.method() == Method::Get || request.method() == Method::Head) &&
                          request.Header("content-length").empty() &&
                          request.Header("transfer-encoding").empty();
    if (!bodiless || !connection.ReceivedData().empty()) return false;
    // A client that announced the end of the connection sends no further request on it, so there
    // is no need to ask the system whether more bytes came.
    if (AnnouncesClose(request)) return true;
    int unread = 0;
    return ::ioctl(connection.handle(), FIONREAD, &unread) == 0 && unread == 0;
}

// Half-closes the connection and gives the client a moment to read the answer and close its
// side, so unread request bytes do not make the system reset the connection and lose the answer.
void LingerBeforeClose(Connection& connection)
{
    if (ClientSentAll(connection)) {
        // Over TLS the end of the answer is told inside the session too (close_notify), so a
        // client can tell an answer that ends with the connection from one cut short.
        if (connection.IsTls()) connection.ShutdownSend();
        return;
    }
    connection.ShutdownSend();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLingerMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0) return;
        connection.ClearReceived();
        if (connection.Receive(static_cast<int>(left.count())) < 0) return;
    }
}

// A TLS record begins with this byte (a handshake record); no HTTP request line can.
constexpr int kTlsHandshakeRecord = 0x16;

// Reads the request header, over TLS when the client opens with a handshake. The header deadline
// runs from the accept and covers the handshake too, so a client stalling in either is dropped
// at the same time.
ReadResult ReadHeader(Connection& connection, const ServerSetup& setup)
{
    const auto deadline = std::chrono::steady_clock::now() + setup.read_policy.header_deadline;
    if (setup.tls_context) {
        // A client that sends nothing, or leaves, is reported by the header read as ever.
        if (connection.PeekFirstByte(deadline) == kTlsHandshakeRecord) {
            const int started = connection.StartTls(setup.tls_context(), deadline);
            if (started == kSocketTimedOut) {
                return ReportEarlyEnd(connection, setup.read_policy, ReadResult::TimedOut);
            }
            if (started != 0)
                return ReportEarlyEnd(connection, setup.read_policy, ReadResult::HandshakeFailed);
        }
    }
    return ReadRequest(connection, setup.read_policy, deadline);
}

void ServeConnection(Connection& connection, ServerContext& context)
{
    const int socket = connection.handle();
    Ipv4Endpoint peer;
    connection.PeerAddress(peer);
    context.clients.Register(socket, peer);

    ReadResult read = ReadHeader(connection, context.setup);
    if (read == ReadResult::Ok) {
        if (!connection.IsTls() && context.setup.https_only && context.setup.https_only() &&
            MustMoveToHttps(connection.request())) {
            SendHttpsRedirect(connection);
        } else {
            context.setup.handler(connection, context);
        }
    } else if (read == ReadResult::TooLarge) {
        SendRefusal(connection, context.clients, 400, "null");
    }

    // A connection handed over to another owner has no socket left to finish here.
    if (connection.handle() >= 0) {
        LingerBeforeClose(connection);
        context.clients.MarkClosed(socket);
    }
}

// Answers one admitted connection on this thread.
void Serve(ServerContext& context, StreamSocket& accepted)
{
    std::unique_ptr<Connection> connection(new (std::nothrow) Connection);
    if (!connection) return;
    connection->TakeOver(accepted);
    ServeConnection(*connection, context);
}

// Waits until the thread is called to wait in accept: false when it is to end instead (the server
// stopped, enough threads are parked, or none called it for the idle limit).
bool Park(ServerContext& context)
{
    ParkedThreads& parked = context.parked;
    std::unique_lock lock(parked.lock);
    if (!parked.open || parked.count >= kMaxParked) return false;
    ++parked.count;
    const bool called = parked.wake.wait_for(lock, std::chrono::seconds(kIdleThreadSeconds),
                                             [&parked] { return parked.called > 0 || !parked.open; });
    --parked.count;
    if (!called || !parked.open) return false;
    --parked.called;
    return true;
}

// Waits on the listener for visitors and answers them one after the other, until the server stops
// listening, enough threads are parked, or none came for the idle limit while others wait too.
// The system wakes one waiting accept per connection, so no thread has to hand a connection to
// another, and a stopped server's shutdown of the socket wakes them all.
void WaitForVisitors(const std::shared_ptr<ServerContext>& context)
{
    for (;;) {
        if (context->waiting.fetch_add(1) >= kAcceptors) {
            context->waiting.fetch_sub(1);
            if (!Park(*context)) return;
            continue;
        }
        StreamSocket accepted;
        const int code = context->AcceptNext(accepted);
        if (code == -EMFILE || code == -ENFILE) {
            // The table stays full while the waiting visitor is not taken off the queue.
            context->ShedWaitingConnection();
            std::this_thread::sleep_for(kAcceptRetry);
        } else if (code < 0 && code != kSocketWouldBlock && code != kSocketNotASocket && code != -EINVAL &&
                   code != kSocketPeerClosed && code != -EINTR) {
            // A failure that may persist must not turn the threads into busy loops.
            std::this_thread::sleep_for(kAcceptRetry);
        }
        // Counted as waiting until here, so the listener does not start more threads for a table
        // that is full.
        const int others = context->waiting.fetch_sub(1) - 1;
        if (code == 0) {
            // Someone must wait for the next visitor while this thread serves: a parked thread, or
            // else a new one (a busy server grows by one thread at a time).
            if (others == 0 && !CallParkedThread(*context)) StartConnectionThread(context);
            // A refused peer sees its connection closed at once: no answer, no record.
            if (context->setup.admit(accepted)) Serve(*context, accepted);
        } else if (code == kSocketWouldBlock) {
            if (others > 0) return;
        } else if (code == kSocketNotASocket || code == -EINVAL) {
            return;
        }
    }
}

void* RunConnectionThread(void* argument)
{
    std::unique_ptr<std::shared_ptr<ServerContext>> context(
        static_cast<std::shared_ptr<ServerContext>*>(argument));
    WaitForVisitors(*context);
    return nullptr;
}

}  // namespace

bool CallParkedThread(ServerContext& context)
{
    ParkedThreads& parked = context.parked;
    {
        std::lock_guard lock(parked.lock);
        if (parked.count - parked.called <= 0) return false;
        ++parked.called;
    }
    parked.wake.notify_one();
    return true;
}

void SetParkingOpen(ServerContext& context, bool open)
{
    ParkedThreads& parked = context.parked;
    {
        std::lock_guard lock(parked.lock);
        parked.open = open;
        // Calls still untaken are void: a stopped server wants every parked thread to end.
        if (!open) parked.called = 0;
    }
    if (!open) parked.wake.notify_all();
}

void StartConnectionThread(const std::shared_ptr<ServerContext>& context)
{
    std::unique_ptr<std::shared_ptr<ServerContext>> argument(new (std::nothrow)
                                                                 std::shared_ptr<ServerContext>(context));
    if (!argument) return;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_attr_setstacksize(&attributes, kStackBytes);
    pthread_t thread;
    if (pthread_create(&thread, &attributes, RunConnectionThread, argument.get()) == 0) argument.release();
    pthread_attr_destroy(&attributes);
}

}  // namespace vireo
