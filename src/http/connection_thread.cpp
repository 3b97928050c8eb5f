#include "http/connection_thread.h"

#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>

#include "http/connection.h"
#include "http/send_response.h"
#include "http/server.h"

namespace vireo {
namespace {

// How long a finished connection waits for the client to take the last bytes and close first.
constexpr int kLingerMs = 100;
// A connection's work is shallow (no recursion; buffers of any size live on the heap), so half a
// megabyte is plenty, and the threads that wait between connections hold little memory.
constexpr std::size_t kStackBytes = 512 * 1024;

struct ThreadStart {
    std::shared_ptr<ServerContext> context;
    std::unique_ptr<Connection> connection;
};

// True when everything the client sent has been read and its request announced no body: closing
// cannot then reset the connection, so there is nothing to wait for.
bool ClientSentAll(const Connection& connection)
{
    const Request& request = connection.request();
    const bool bodiless = (request.method() == Method::Get || request.method() == Method::Head) &&
                          request.Header("content-length").empty() &&
                          request.Header("transfer-encoding").empty();
    int unread = 0;
    return bodiless && connection.ReceivedData().empty() &&
           ::ioctl(connection.handle(), FIONREAD, &unread) == 0 && unread == 0;
}

// Half-closes the connection and gives the client a moment to read the answer and close its
// side, so unread request bytes do not make the system reset the connection and lose the answer.
void LingerBeforeClose(Connection& connection)
{
    if (ClientSentAll(connection)) return;
    ::shutdown(connection.handle(), SHUT_WR);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLingerMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0) return;
        connection.ClearReceived();
        if (connection.Receive(static_cast<int>(left.count())) < 0) return;
    }
}

void ServeConnection(ThreadStart& start)
{
    Connection& connection = *start.connection;
    ServerContext& context = *start.context;

    const int socket = connection.handle();
    Ipv4Endpoint peer;
    connection.PeerAddress(peer);
    context.clients.Register(socket, peer);

    ReadResult read = ReadRequest(connection, context.setup.read_policy);
    if (read == ReadResult::Ok) {
        context.setup.handler(connection, context);
    } else if (read == ReadResult::TooLarge) {
        SendRefusal(connection, context.clients, 400, "null");
    }

    // A connection handed over to another owner has no socket left to finish here.
    if (connection.handle() >= 0) {
        LingerBeforeClose(connection);
        context.clients.MarkClosed(socket);
    }
}

std::unique_ptr<ThreadStart> MakeThreadStart(const std::shared_ptr<ServerContext>& context,
                                             StreamSocket& accepted)
{
    std::unique_ptr<ThreadStart> start(new (std::nothrow) ThreadStart{context, nullptr});
    if (start) start->connection.reset(new (std::nothrow) Connection);
    if (!start || !start->connection) {
        accepted.Close();
        return nullptr;
    }
    start->connection->TakeOver(accepted);
    return start;
}

// Under load the next visitor is usually waiting already when a connection ends: the thread takes
// it from the listener itself, with the listener's admission rules, so nobody has to be woken and
// handed the connection. Nothing when none waits.
std::unique_ptr<ThreadStart> TakeWaitingConnection(const std::shared_ptr<ServerContext>& context)
{
    StreamSocket accepted;
    while (context->AcceptWaiting(accepted) == 0) {
        // A refused peer sees its connection closed at once, as the listener would close it.
        if (context->setup.admit(accepted)) return MakeThreadStart(context, accepted);
        accepted.Close();
    }
    return nullptr;
}

// Threads that have finished their connection wait a while for the next one instead of ending, so
// a busy server does not pay for a new thread on every connection. Each connection still has a
// thread to itself from its first byte to its last; only the thread's start is saved.
class IdleThreads {
public:
    static IdleThreads& Instance()
    {
        // Never destroyed: waiting threads may still use it while the program exits.
        static IdleThreads& threads = *new IdleThreads;
        return threads;
    }

    // Hands the connection to a waiting thread; false (and the connection kept) when none waits.
    bool Hand(std::unique_ptr<ThreadStart>& start)
    {
        {
            std::lock_guard lock(mutex_);
            if (free_ == 0) return false;
            --free_;
            waiting_.push_back(std::move(start));
        }
        // Woken after the lock is let go, the thread does not wake only to wait for it.
        wake_.notify_one();
        return true;
    }

    // Serves `start`, then the connections waiting on the listener and those handed over while
    // this thread waits, until none comes for the idle limit or enough threads wait already.
    void Serve(std::unique_ptr<ThreadStart> start)
    {
        while (start) {
            ServeConnection(*start);
            std::shared_ptr<ServerContext> context = std::move(start->context);
            start.reset();
            start = TakeWaitingConnection(context);
            if (!start) start = Next();
        }
    }

private:
    std::unique_ptr<ThreadStart> Next()
    {
        std::unique_lock lock(mutex_);
        if (free_ >= kMaxIdle) return nullptr;
        ++free_;
        wake_.wait_for(lock, kIdleLimit, [this] { return !waiting_.empty(); });
        if (waiting_.empty()) {
            --free_;
            return nullptr;
        }
        // The handing over already took this thread off the free count.
        std::unique_ptr<ThreadStart> next = std::move(waiting_.front());
        waiting_.pop_front();
        return next;
    }

    static constexpr std::size_t kMaxIdle = 64;
    static constexpr auto kIdleLimit = std::chrono::seconds(30);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::size_t free_ = 0;  // waiting threads not yet handed a connection
    std::deque<std::unique_ptr<ThreadStart>> waiting_;
};

void* RunConnectionThread(void* argument)
{
    IdleThreads::Instance().Serve(std::unique_ptr<ThreadStart>(static_cast<ThreadStart*>(argument)));
    return nullptr;
}

}  // namespace

void StartConnectionThread(const std::shared_ptr<ServerContext>& context, StreamSocket& accepted)
{
    std::unique_ptr<ThreadStart> start = MakeThreadStart(context, accepted);
    if (!start || IdleThreads::Instance().Hand(start)) return;

    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_attr_setstacksize(&attributes, kStackBytes);
    pthread_t thread;
    if (pthread_create(&thread, &attributes, RunConnectionThread, start.get()) == 0) start.release();
    pthread_attr_destroy(&attributes);
    // On failure start still owns the connection, whose destruction closes the socket.
}

}  // namespace vireo
