#include "http/client_table.h"

#include "base/utf8.h"

namespace vireo {

ClientTable::ClientTable(std::shared_ptr<ServerEvents> events) : events_(std::move(events)), entries_(kGrowth)
{
}

void ClientTable::Register(int socket, const Ipv4Endpoint& peer)
{
    ClientEntry told;
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
        told = *chosen;
    }
    if (events_) events_->OnClientNotice(ClientNotice::Connected, told);
}

template <typename Change>
std::optional<ClientEntry> ClientTable::Update(int socket, Change change)
{
    std::lock_guard guard(lock_);
    for (ClientEntry& entry : entries_) {
        if (entry.socket == socket && entry.connected_at != SystemTime{}) {
            change(entry);
            return entry;
        }
    }
    return std::nullopt;
}

void ClientTable::SetState(int socket, ClientState state, std::string_view url)
{
    std::string shown(CutUtf8(url, ClientEntry::kMaxUrlBytes));
    const std::optional<ClientEntry> told = Update(socket, [&](ClientEntry& entry) {
        entry.state = state;
        entry.url = std::move(shown);
    });
    if (told && events_) events_->OnClientNotice(ClientNotice::StateChanged, *told);
}

void ClientTable::SetProgress(const TransferMeter& meter)
{
    const std::optional<ClientEntry> told = Update(meter.socket, [&](ClientEntry& entry) {
        entry.total = meter.total;
        entry.sent = meter.sent;
    });
    if (told && events_) events_->OnClientNotice(ClientNotice::Progress, *told);
}

void ClientTable::MarkClosed(int socket)
{
    const std::optional<ClientEntry> told =
        Update(socket, [](ClientEntry& entry) { entry.closed_at = std::chrono::system_clock::now(); });
    if (told && events_) events_->OnClientNotice(ClientNotice::Closed, *told);
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
