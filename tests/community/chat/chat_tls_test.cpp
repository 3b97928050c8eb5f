// The chat room over TLS: a member joins, keeps its output page open and hears what is said, all
// through TLS sessions that the room's own thread writes to.
#include <gtest/gtest.h>

#include <string>

#include "community/chat/chat_room.h"
#include "support/child_process.h"
#include "support/loopback.h"

namespace vireo::testing {
namespace {

// Joins over TLS, waits for the first list reload on the output page, says something through a
// second TLS connection and waits until the output page carries it; prints "heard" then.
constexpr const char* kMember = R"(
import re, socket, ssl, sys
port = int(sys.argv[1])
context = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
context.check_hostname = False
context.verify_mode = ssl.CERT_NONE
def connect():
    return context.wrap_socket(socket.create_connection(('127.0.0.1', port), timeout=10))
def whole(tls, request):
    tls.sendall(request)
    answer = b''
    while True:
        chunk = tls.recv(65536)
        if not chunk:
            return answer
        answer += chunk
member = re.search(rb'output\.htm\?id=([0-9]+)', whole(connect(), b'GET /Webchat/ HTTP/1.1\r\n\r\n')).group(1)
output = connect()
output.sendall(b'GET /Webchat/output.htm?id=' + member + b' HTTP/1.1\r\n\r\n')
seen = b''
while b'reload()' not in seen:
    seen += output.recv(65536)
body = b'to=All&speechtext=heard+over+TLS'
whole(connect(), b'POST /Webchat/input.htm?id=' + member + b' HTTP/1.1\r\nContent-Type: '
      b'application/x-www-form-urlencoded\r\nContent-Length: ' + str(len(body)).encode() + b'\r\n\r\n' + body)
while b'heard over TLS' not in seen:
    seen += output.recv(65536)
print('heard')
)";

TEST(ChatTlsTest, AMemberHearsWhatIsSaidOverTls)
{
    TestServer server;
    ASSERT_TRUE(server.listening());
    auto events = std::make_shared<RecordingEvents>();
    ASSERT_TRUE(SiteChatRoom().Start(events, 4));
    ASSERT_TRUE(events->WaitForServiceNotices(ServiceNotice::ChatStarted, 1));
    const ProgramResult member =
        RunProgram({"/usr/bin/python3", "-c", kMember, std::to_string(server.port())});
    EXPECT_EQ(member.output, "heard\n");
    SiteChatRoom().StopAndWait();
}

}  // namespace
}  // namespace vireo::testing
