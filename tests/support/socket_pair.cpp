#include "support/socket_pair.h"

#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "support/loopback.h"

namespace vireo::testing {

std::string AnswerOverSocketPair(std::string_view request, const std::function<void(Connection&)>& handler)
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return "socketpair failed";
    Connection connection;
    connection.Attach(ends[0]);
    connection.SetBlocking(false);
    connection.request().Parse(request);
    std::string received;
    std::thread reader([&received, peer = ends[1]] {
        char buffer[65536];
        while (true) {
            ssize_t n = ::read(peer, buffer, sizeof buffer);
            if (n <= 0) break;
            received.append(buffer, static_cast<std::size_t>(n));
        }
    });
    handler(connection);
    connection.Close();
    reader.join();
    ::close(ends[1]);
    return MaskDate(received);
}

}  // namespace vireo::testing
