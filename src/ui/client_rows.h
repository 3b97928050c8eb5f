#pragma once

// The rows of the main window's client list, kept apart from the widget: newest first, each
// keyed by its connection while it is open. The widget draws them.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "base/ipv4.h"
#include "http/client_table.h"

namespace vireo {

struct ClientRow {
    std::string time;      // local time of the connection, "YYYY-MM-DD hh:mm:ss"
    std::string ip;        // "a.b.c.d"
    std::string action;    // "Connect", "Download", "Upload", "Bad Request", "Closed"
    std::string object;    // the request's URL
    std::string progress;  // "sent/total", digits grouped by ","
    int socket = 0;        // the open connection's key; 0 once it has closed
};

class ClientRows {
public:
    // The most rows kept while closed ones can still be let go.
    static constexpr std::size_t kKeptRows = 9;

    // A new connection: closed rows go from the bottom while more than kKeptRows are shown, then
    // the new row goes on top.
    void Connected(int socket, SystemTime when, const Ipv4Address& peer);
    // The connection's request: its action and object.
    void StateChanged(int socket, ClientState state, std::string_view url);
    void Progress(int socket, std::uint64_t sent, std::uint64_t total);
    void Closed(int socket);
    void Clear() { rows_.clear(); }

    const std::deque<ClientRow>& rows() const { return rows_; }

private:
    ClientRow* Find(int socket);

    std::deque<ClientRow> rows_;
};

// A time as the client list and the console show it: local, "YYYY-MM-DD hh:mm:ss".
std::string FormatLocalTime(SystemTime when);

// The action column's word for a state; empty for a connection that asked nothing yet.
std::string_view ClientActionText(ClientState state);

}  // namespace vireo
