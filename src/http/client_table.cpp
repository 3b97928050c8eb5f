#include "http/client_table.h"

#include "base/utf8.h"

namespace vireo {

ClientTable::ClientTable(std::shared_ptr<ServerEvents> events)
    : events_(std::move(events)), entries_(kGrowth)
{
}

void ClientTable::Register(int socket, const Ipv4Endpoint& peer)
{
    {
        std::lock_guard guard(lock_);
        ClientEntry* chosen = nullptr;
        for (ClientEntry& entry : entries_) {
            if (entry.socket == socket && entry.connected_at != SystemTime{}) {
                chosen = &entry;
                break;
            }
            if (!chosen && entry.IsFree()) chosen = &entry;
        }
        if (!chosen) {
            entries_.resize(entries_.size() + kGrowth);
            chosen = &entries_[entries_.size() - kGrowth];
        }
        *chosen = ClientEntry{};
        chosen->socket = socket;
        chosen->peer = peer;
        chosen->connected_at = std::chrono::system_clock::now();
    }
    if (events_) events_->OnClientNotice(ClientNotice::Connected, socket);
}

template <typename Change>
bool ClientTable::Update(int socket, Change change)
{
    std::lock_guard guard(lock_);
    for (ClientEntry& entry : entries_) {
        if (entry.socket == socket && entry.connected_at != SystemTime{}) {
            change(entry);
            return true;
        }
    }
    return false;
}

void ClientTable::SetState(int socket, ClientState state, std::string_view url)
{
    std::string shown(CutUtf8(url, ClientEntry::kMaxUrlBytes));
    bool found = Update(socket, [&](ClientEntry& entry) {
        entry.state = state;
        entry.url = std::move(shown);
    });
    if (found && events_) events_->OnClientNotice(ClientNotice::StateChanged, socket);
}

void ClientTable::SetProgress(const TransferMeter& meter)
{
    bool found = Update(meter.socket, [&](ClientEntry& entry) {
        entry.total = meter.total;
        entry.sent = meter.sent;
    });
    if (found && events_) events_->OnClientNotice(ClientNotice::Progress, meter.socket);
}

void ClientTable::MarkClosed(int socket)
{
    bool found = Update(socket, [](ClientEntry& entry) { entry.closed_at = std::chrono::system_clock::now(); });
    if (found && events_) events_->OnClientNotice(ClientNotice::Closed, socket);
}

std::optional<ClientEntry> ClientTable::Snapshot(int socket) const
{
    std::lock_guard guard(lock_);
    for (const ClientEntry& entry : entries_) {
        if (entry.socket == socket && entry.connected_at != SystemTime{}) return entry;
    }
    return std::nullopt;
}

std::size_t ClientTable::Capacity() const
{
    std::lock_guard guard(lock_);
    return entries_.size();
}

}  // namespace vireo
