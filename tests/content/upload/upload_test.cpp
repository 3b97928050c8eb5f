// Receiving uploads over a real socket pair: the request header is read as the server reads it, the
// body arrives from the other end while the handler runs.
#include "content/upload/upload.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <thread>

#include "content/pages/generated_page_bytes.h"
#include "http/request_reader.h"
#include "settings/settings.h"
#include "site/site_server.h"
#include "support/files.h"
#include "support/loopback.h"
#include "support/test_home.h"
#include "support/upload_folder.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kBoundary = "xYzZY";

std::string FilePart(std::string_view file_name, std::string_view data)
{
    return "--" + std::string(kBoundary) + "\r\nContent-Disposition: form-data; name=\"fp\"; filename=\"" +
           std::string(file_name) + "\"\r\nContent-Type: application/octet-stream\r\n\r\n" +
           std::string(data) + "\r\n";
}

std::string Closing()
{
    return "--" + std::string(kBoundary) + "--\r\n";
}

std::string PostHeader(std::string_view headers)
{
    return "POST /photos/?postfile HTTP/1.1\r\nHost: x\r\n" + std::string(headers) + "\r\n";
}

std::string MultipartPost(const std::string& body)
{
    return PostHeader("Content-Type: multipart/form-data; boundary=" + std::string(kBoundary) +
                      "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n") +
           body;
}

// The status cell of a result page; empty when the answer is not that page.
std::string StatusCell(const std::string& answer)
{
    const std::string start =
        "id=\"st\" style=\"color:#ffff00;background-color:#0080ff;padding-top:3;padding-bottom:3\">";
    const std::size_t at = answer.find(start);
    if (at == std::string::npos) return {};
    const std::size_t from = at + start.size();
    return answer.substr(from, answer.find("</td>", from) - from);
}

// How the peer sends a request.
struct Delivery {
    // Closes the peer's sending side after the request.
    bool hang_up = false;
    // Sends the request header alone first and waits for an interim answer before the body, as curl
    // does for "Expect: 100-continue".
    bool await_continue = false;
    // Sends the whole request with one call, so that the body arrives together with the header.
    bool in_one_piece = false;
};

// What the server sends up to the first blank line, waiting at most ten seconds in all.
std::string ReadInterimAnswer(int peer)
{
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::string answer;
    while (!answer.ends_with("\r\n\r\n")) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(give_up - std::chrono::steady_clock::now());
        pollfd wait{.fd = peer, .events = POLLIN, .revents = 0};
        char c;
        if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) != 1 ||
            ::read(peer, &c, 1) != 1)
            break;
        answer += c;
    }
    return answer;
}

class UploadTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.Share()); }
    void TearDown() override
    {
        // Whatever happened, no scratch body is left behind.
        EXPECT_EQ(CountEntries(scratch), 0u);
    }

    // Sends `bytes` from the peer's end in random pieces, runs the handler on the request read from
    // the connection. The handler's result and everything it sent, with the times masked.
    std::pair<int, std::string> Run(const std::string& bytes, Delivery delivery = {})
    {
        int ends[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
        Connection connection;
        connection.Attach(ends[0]);
        connection.SetBlocking(false);
        const int peer = ends[1];
        std::thread writer([&bytes, peer, delivery, this] {
            std::mt19937 random(static_cast<unsigned>(bytes.size()));
            auto send_range = [&](std::size_t sent, std::size_t end) {
                while (sent < end) {
                    const std::size_t piece =
                        delivery.in_one_piece ? end - sent
                                              : std::uniform_int_distribution<std::size_t>(1, 70000)(random);
                    const ssize_t n =
                        ::send(peer, bytes.data() + sent, std::min(piece, end - sent), MSG_NOSIGNAL);
                    if (n <= 0) return false;
                    sent += static_cast<std::size_t>(n);
                }
                return true;
            };
            const std::size_t head = delivery.await_continue ? bytes.find("\r\n\r\n") + 4 : 0;
            if (!send_range(0, head)) return;
            if (delivery.await_continue) interim = ReadInterimAnswer(peer);
            if (!send_range(head, bytes.size())) return;
            if (delivery.hang_up) ::shutdown(peer, SHUT_WR);
        });
        int result = static_cast<int>(ReadRequest(connection, SiteReadPolicy()));
        if (result == 0) {
            table.Register(connection.handle(), {});
            socket = connection.handle();
            const ResolvedTarget resolved = ResolveUrl(connection.request().Url());
            vireo::Exchange exchange{connection, &table, resolved};
            result = ReceiveUpload(exchange);
        }
        connection.Close();
        writer.join();
        std::string answer;
        char buffer[65536];
        while (true) {
            const ssize_t n = ::read(peer, buffer, sizeof buffer);
            if (n <= 0) break;
            answer.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(peer);
        return {result, MaskTimes(answer)};
    }

    TestHome home;
    UploadFolder folder{home.path()};
    const fs::path& scratch = folder.scratch;
    const fs::path& target = folder.target;
    ClientTable table{nullptr};
    int socket = -1;
    // The interim answer the peer waited for before it sent the body.
    std::string interim;
};

TEST_F(UploadTest, LargeBinaryBodyIsStoredExactlyAndReportedAsItArrives)
{
    std::mt19937 random(5);
    std::string data(3 * 1024 * 1024 + 17, '\0');
    for (char& c : data) c = static_cast<char>(random());
    const std::string body = FilePart("noise.bin", data) + Closing();
    auto [result, answer] = Run(MultipartPost(body));
    EXPECT_EQ(StatusCell(answer), "1 Files: noise.bin (3,145,745), OK");
    EXPECT_TRUE(ReadFile(target / "noise.bin") == data);
    std::optional<ClientEntry> entry = table.Snapshot(socket);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->total, body.size());
    EXPECT_EQ(entry->sent, body.size());
}

TEST_F(UploadTest, WithoutLengthBoundaryOrDirectoryNothingIsReceived)
{
    const std::string body = FilePart("a.txt", "data") + Closing();
    const std::string type = "Content-Type: multipart/form-data; boundary=" + std::string(kBoundary) + "\r\n";
    for (const std::string& request :
         {PostHeader(type) + body, PostHeader(type + "Content-Length: 0\r\n") + body,
          PostHeader("Content-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) + "\r\n") +
              body,
          PostHeader("Content-Type: multipart/form-data\r\nContent-Length: " + std::to_string(body.size()) +
                     "\r\n") +
              body}) {
        auto [result, answer] = Run(request);
        EXPECT_EQ(StatusCell(answer), "No Files Received") << request;
    }
    fs::remove_all(target);
    auto [result, answer] = Run(MultipartPost(body));
    EXPECT_EQ(StatusCell(answer), "No Files Received");
}

TEST_F(UploadTest, BodyCutOffHalfWayStoresNothingAndAnswersNothing)
{
    WriteFile(target / "big.bin", "the earlier file");
    const std::string request = MultipartPost(FilePart("big.bin", std::string(500000, 'b')) + Closing());
    auto [result, answer] = Run(request.substr(0, request.size() / 2), {.hang_up = true});
    EXPECT_EQ(result, kSocketPeerClosed);
    EXPECT_EQ(answer, "");
    EXPECT_EQ(ReadFile(target / "big.bin"), "the earlier file");
    EXPECT_EQ(CountEntries(target), 1u);
}

TEST_F(UploadTest, OnlyContentLengthBytesAreTheBody)
{
    // The closing delimiter comes after the length the client announced, so the body has none.
    const std::string part = FilePart("short.txt", "data");
    const std::string request =
        PostHeader("Content-Type: multipart/form-data; boundary=" + std::string(kBoundary) +
                   "\r\nContent-Length: " + std::to_string(part.size()) + "\r\n") +
        part + Closing();
    auto [result, answer] = Run(request, {.hang_up = true});
    EXPECT_EQ(StatusCell(answer), "1 Files: short.txt (6), Failed");
    EXPECT_EQ(CountEntries(target), 0u);
}

std::string ExpectingPost(std::string_view expectation, const std::string& body)
{
    return PostHeader("Expect: " + std::string(expectation) +
                      "\r\nContent-Type: multipart/form-data; boundary=" + std::string(kBoundary) +
                      "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n") +
           body;
}

TEST_F(UploadTest, ClientExpectingContinueIsToldToSendTheBody)
{
    const std::string body = FilePart("wait.txt", "sent after the interim answer") + Closing();
    for (std::string_view expectation : {"100-continue", "100-Continue  "}) {
        auto [result, answer] = Run(ExpectingPost(expectation, body), {.await_continue = true});
        EXPECT_EQ(interim, "HTTP/1.1 100 Continue\r\n\r\n") << expectation;
        EXPECT_TRUE(answer.starts_with("HTTP/1.1 200 OK\r\n")) << answer.substr(0, 40);
        EXPECT_EQ(StatusCell(answer), "1 Files: wait.txt (29), OK");
    }
}

TEST_F(UploadTest, NoInterimAnswerWhenTheBodyIsAlreadyComingOrNotRead)
{
    const std::string body = FilePart("now.txt", "data") + Closing();
    const struct {
        std::string request;
        std::string status;
    } cases[] = {
        // The body came with the header: the client did not wait for leave to send it.
        {ExpectingPost("100-continue", body), "1 Files: now.txt (4), OK"},
        {ExpectingPost("something-else", body), "1 Files: now.txt (4), OK"},
        {MultipartPost(body), "1 Files: now.txt (4), OK"},
        // The answer is given without reading the body.
        {PostHeader("Expect: 100-continue\r\nContent-Type: text/plain\r\nContent-Length: 4\r\n") + "data",
         "No Files Received"},
    };
    for (const auto& c : cases) {
        auto [result, answer] = Run(c.request, {.in_one_piece = true});
        EXPECT_TRUE(answer.starts_with("HTTP/1.1 200 OK\r\n")) << c.request;
        EXPECT_EQ(StatusCell(answer), c.status) << c.request;
    }
}

}  // namespace
}  // namespace vireo::testing
