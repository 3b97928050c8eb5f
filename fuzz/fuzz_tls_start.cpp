// The first-byte choice between plain HTTP and TLS, and the start of the handshake, over a real
// socket pair: whatever a client sends first, the server must end the handshake (or find it is no
// handshake) without a crash and without waiting past its deadline once the client has closed.
//
// Input: what the client sends before it closes its side.
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "base/broken_pipe.h"
#include "fuzz_support.h"
#include "http/stream_socket.h"
#include "http/tls_context.h"
#include "platform/tls_certificate.h"

namespace vireo::fuzz {
namespace {

constexpr int kTlsHandshakeRecord = 0x16;

std::shared_ptr<const TlsContext> Context()
{
    static const std::shared_ptr<const TlsContext> context = [] {
        const auto made = MakeSelfSignedCertificate(PrivateHome() / "tls", "fuzz.test", {});
        Require(made.has_value());
        auto loaded = TlsContext::Load(made->certificate, made->key);
        Require(loaded.has_value());
        return *loaded;
    }();
    return context;
}

}  // namespace
}  // namespace vireo::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vireo::IgnoreBrokenPipes();
    vireo::fuzz::Context();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo;
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends) != 0) return 0;
    // Inputs larger than the pair's buffer are cut, so the write never blocks.
    const std::size_t sent = size > 65536 ? 65536 : size;
    if (sent > 0 && ::write(ends[1], data, sent) < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return 0;
    }
    ::shutdown(ends[1], SHUT_WR);

    StreamSocket server;
    server.Attach(ends[0]);
    const auto started = std::chrono::steady_clock::now();
    const auto deadline = started + std::chrono::seconds(2);
    const int first = server.PeekFirstByte(deadline);
    fuzz::Require(sent == 0 ? first < 0 : first == data[0]);
    if (first == fuzz::kTlsHandshakeRecord) {
        const int started_tls = server.StartTls(fuzz::Context(), deadline);
        // A lone client hello may be answered, but the client never finishes, so no input
        // completes a handshake; and with the client's side closed, nothing waits for the deadline.
        fuzz::Require(started_tls != 0 && !server.IsTls());
        fuzz::Require(started_tls != kSocketTimedOut);
    } else if (first >= 0) {
        // A plain request keeps every byte for the header reader.
        fuzz::Require(server.Receive(0) > 0 &&
                      server.ReceivedData().substr(0, 1)[0] == static_cast<char>(first));
    }
    ::close(ends[1]);
    return 0;
}
