#include "ui/client_rows.h"

#include <chrono>
#include <ctime>

#include "base/number_format.h"

namespace vireo {

std::string FormatLocalTime(SystemTime when)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string_view ClientActionText(ClientState state)
{
    switch (state) {
        case ClientState::Download:
            return "Download";
        case ClientState::Upload:
            return "Upload";
        case ClientState::Refused:
            return "Bad Request";
        case ClientState::Connected:
            break;
    }
    return {};
}

ClientRow* ClientRows::Find(int socket)
{
    if (socket == 0) return nullptr;
    for (ClientRow& row : rows_) {
        if (row.socket == socket) return &row;
    }
    return nullptr;
}

void ClientRows::Connected(int socket, SystemTime when, const Ipv4Address& peer)
{
    while (rows_.size() > kKeptRows) {
        auto lowest_closed = rows_.end();
        for (auto it = rows_.begin(); it != rows_.end(); ++it) {
            if (it->socket == 0) lowest_closed = it;
        }
        if (lowest_closed == rows_.end()) break;
        rows_.erase(lowest_closed);
    }
    rows_.push_front({FormatLocalTime(when), FormatAddress(peer), "Connect", {}, {}, socket});
}

void ClientRows::StateChanged(int socket, ClientState state, std::string_view url)
{
    if (ClientRow* row = Find(socket)) {
        row->action = ClientActionText(state);
        row->object = url;
    }
}

void ClientRows::Progress(int socket, std::uint64_t sent, std::uint64_t total)
{
    if (ClientRow* row = Find(socket)) row->progress = FormatGrouped(sent) + "/" + FormatGrouped(total);
}

void ClientRows::Closed(int socket)
{
    if (ClientRow* row = Find(socket)) {
        row->action = "Closed";
        row->socket = 0;
    }
}

}  // namespace vireo
