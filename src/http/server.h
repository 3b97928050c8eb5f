#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <thread>

#include "base/ipv4.h"
#include "base/unique_fd.h"
#include "http/client_table.h"
#include "http/request_reader.h"
#include "http/server_events.h"
#include "http/stream_socket.h"
#include "http/tls_context.h"

namespace vireo {

struct ServerContext;

// Answers one request whose header has been read. Returns the last send result.
using RequestHandler = std::function<int(Connection& connection, ServerContext& context)>;

// What the owner of a server decides: the server itself reads no setting and knows no page.
struct ServerSetup {
    // Where to listen, asked at every start; port 0 lets the system choose one.
    std::function<Ipv4Endpoint()> listen_address;
    // Whether an accepted connection is served; a refused one is closed at once, unanswered.
    std::function<bool(const StreamSocket& accepted)> admit;
    // How request headers are read, and whom the owner tells about each.
    ReadPolicy read_policy;
    RequestHandler handler;
    // The TLS configuration for a connection that opens with a handshake, asked once per such
    // connection; empty, or nullptr from it, when the server has none and serves plain HTTP only.
    std::function<std::shared_ptr<const TlsContext>()> tls_context;
    // Whether a plain request is sent to the same address with https:// instead of answered.
    std::function<bool()> https_only;
};

// Connection threads with nothing to do beyond the few that wait in accept on the listener: they
// wait here, so a visitor wakes one of those few, and the visitors that queue up meanwhile are
// taken by threads that finish a connection instead of waking more threads.
struct ParkedThreads {
    std::mutex lock;
    std::condition_variable wake;
    int count = 0;      // threads parked here
    int called = 0;     // of them, those asked to come and wait in accept
    bool open = false;  // the server listens; a stopped server ends its parked threads
};

// What connection threads share with the server. Held by shared pointer, so a connection that is
// still finishing after the server object is gone keeps what it uses alive.
struct ServerContext {
    ServerContext(std::shared_ptr<ServerEvents> sink, ServerSetup owner_setup)
        : events(std::move(sink)), clients(events), setup(std::move(owner_setup))
    {
    }

    // The address the server listens on: for all interfaces, the host's first address.
    Ipv4Endpoint BoundAddress() const
    {
        std::lock_guard guard(bound_lock);
        return bound;
    }
    void SetBoundAddress(const Ipv4Endpoint& address)
    {
        std::lock_guard guard(bound_lock);
        bound = address;
    }

    // Waits on the listening socket for the next connection, for a connection thread that has nothing
    // to do: 0, or kSocketWouldBlock when none came for the idle limit, kSocketNotASocket when the
    // server does not listen (or has stopped: -EINVAL), or another failure code.
    int AcceptNext(StreamSocket& into)
    {
        std::shared_lock guard(listener_lock);
        return listener < 0 ? kSocketNotASocket : StreamSocket::AcceptFrom(listener, into, listener_local);
    }
    // Publishes the listening socket (-1: none) and, when it is bound to one address, that address.
    // Setting -1 waits for accepts in progress, so the socket can be closed safely afterwards; the
    // socket must have been shut down first, or threads waiting in accept would never let go of it.
    void SetListener(int handle, const std::optional<Ipv4Endpoint>& local = std::nullopt)
    {
        std::unique_lock guard(listener_lock);
        listener = handle;
        listener_local = local;
    }
    // With the descriptor table full, takes one connection waiting on the listener off the queue and
    // closes it, with the descriptor held back for this, so the threads that wait do not find it there
    // again and again. Nothing when none waits.
    void ShedWaitingConnection();

    std::shared_ptr<ServerEvents> events;
    ClientTable clients;
    const ServerSetup setup;
    mutable std::mutex bound_lock;
    Ipv4Endpoint bound;
    std::shared_mutex listener_lock;
    int listener = -1;
    std::optional<Ipv4Endpoint> listener_local;
    // Connection threads waiting in accept on the listener for a visitor.
    std::atomic<int> waiting{0};
    ParkedThreads parked;
    std::mutex spare_lock;
    UniqueFd spare;  // a descriptor held back so a full descriptor table can still shed a connection
};

// The listener: a server thread that binds the address its owner names and starts the connection
// threads, which accept the connections themselves; each admitted connection has one of them to
// itself while it reads its one request and hands it to the owner's handler.
class Server {
public:
    Server(std::shared_ptr<ServerEvents> events, ServerSetup setup);
    // Stops the listener and waits for the server thread; connections finish on their own.
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Starts the server thread; the outcome arrives as a notice (Listening, then Stopped; or
    // StartFailed). Does nothing while the server thread runs.
    void Start();
    // Asks the listen loop to end; the Stopped notice follows within moments.
    void RequestStop();

    bool IsRunning() const { return running_.load(); }
    // The address the server listens on: for all interfaces, the host's first address.
    Ipv4Endpoint BoundAddress() const { return context_->BoundAddress(); }
    // The errno of the step that failed the last start, 0 when none.
    int LastStartError() const { return last_start_error_.load(); }
    ClientTable& clients() { return context_->clients; }

private:
    enum class LoopResult { Stopped = 0, StartFailed = 1, NoAddress = 2 };

    void Run();
    LoopResult ListenLoop();
    LoopResult Fail(int code);

    std::shared_ptr<ServerContext> context_;
    StreamSocket listener_;
    std::optional<Ipv4Endpoint> accepted_local_;  // the listener's one address; none for every address
    std::thread thread_;
    UniqueFd wake_;  // eventfd that ends the listener's wait at once on a stop request
    std::atomic<bool> running_{false};
    std::atomic<bool> stop_{false};
    std::atomic<int> last_start_error_{0};
};

}  // namespace vireo
