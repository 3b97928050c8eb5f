#include "support/chat_client.h"

#include <poll.h>
#include <sys/socket.h>

#include <charconv>
#include <regex>

#include "base/url_codec.h"

namespace vireo::testing {

std::optional<std::vector<std::string>> SplitChunks(std::string_view body)
{
    std::vector<std::string> chunks;
    while (!body.empty()) {
        const std::size_t line_end = body.find("\r\n");
        if (line_end == std::string_view::npos) break;
        std::size_t size = 0;
        const auto [end, error] = std::from_chars(body.data(), body.data() + line_end, size, 16);
        if (error != std::errc() || end != body.data() + line_end) return std::nullopt;
        if (body.size() < line_end + 2 + size + 2) break;
        if (body.substr(line_end + 2 + size, 2) != "\r\n") return std::nullopt;
        chunks.emplace_back(body.substr(line_end + 2, size));
        body.remove_prefix(line_end + 2 + size + 2);
    }
    return chunks;
}

std::uint32_t FramesetMemberId(std::string_view answer)
{
    static const std::regex kId("output\\.htm\\?id=([0-9]+)");
    std::match_results<std::string_view::const_iterator> match;
    if (!std::regex_search(answer.begin(), answer.end(), match, kId)) return 0;
    return static_cast<std::uint32_t>(std::stoul(match[1].str()));
}

std::string SpeechPost(std::string_view query, std::string_view body)
{
    return "POST /Webchat/input.htm?" + std::string(query) +
           " HTTP/1.1\r\nHost: x\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
}

ChatClient::ChatClient(std::uint16_t port, const Ipv4Address& from) : port_(port), from_(from)
{
    LoopbackClient frameset(port, from);
    if (!frameset.Send("GET /Webchat/ HTTP/1.1\r\n\r\n")) return;
    id_ = FramesetMemberId(frameset.ReadAll());
    if (id_ == 0) return;
    output_ = std::make_unique<LoopbackClient>(port, from);
    if (!output_->Send("GET /Webchat/output.htm?id=" + std::to_string(id_) + " HTTP/1.1\r\n\r\n"))
        output_.reset();
}

bool ChatClient::ReadSome(std::chrono::milliseconds limit)
{
    if (!output_ || closed_) return false;
    pollfd wait{output_->handle(), POLLIN, 0};
    if (::poll(&wait, 1, static_cast<int>(limit.count())) <= 0) return true;
    char bytes[65536];
    for (;;) {
        const ssize_t count = ::recv(output_->handle(), bytes, sizeof bytes, MSG_DONTWAIT);
        if (count > 0) {
            received_.append(bytes, static_cast<std::size_t>(count));
            continue;
        }
        if (count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) closed_ = true;
        return !closed_;
    }
}

bool ChatClient::WaitFor(std::string_view text, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (received_.find(text) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !ReadSome(left)) return received_.find(text) != std::string::npos;
    }
    return true;
}

bool ChatClient::WaitForListReloads(std::size_t count, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        std::size_t seen = 0;
        for (const std::string& chunk : Chunks()) seen += chunk == kListReload ? 1 : 0;
        if (seen >= count) return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !ReadSome(left)) return false;
    }
}

const std::string& ChatClient::received()
{
    ReadSome(std::chrono::milliseconds(0));
    return received_;
}

std::vector<std::string> ChatClient::Chunks()
{
    const std::string& all = received();
    const std::size_t head_end = all.find("\r\n\r\n");
    if (head_end == std::string::npos) return {};
    return SplitChunks(std::string_view(all).substr(head_end + 4)).value_or(std::vector<std::string>{});
}

bool ChatClient::WaitForClose(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!closed_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        ReadSome(left);
    }
    return true;
}

std::string ChatClient::Say(std::string_view text, std::string_view to)
{
    LoopbackClient input(port_, from_);
    const std::string body = "to=" + FormEncode(to) + "&speechtext=" + FormEncode(text);
    if (!input.Send(SpeechPost("id=" + std::to_string(id_), body))) return {};
    return input.ReadAll();
}

}  // namespace vireo::testing
