#include "app/serve_command.h"

#include <signal.h>

#include <atomic>
#include <cstring>
#include <ctime>
#include <expected>
#include <functional>
#include <memory>

#include "app/line_printer.h"
#include "app/route_table.h"
#include "app/stop_signals.h"
#include "base/number_format.h"
#include "base/text_helpers.h"
#include "community/chat/chat_room.h"
#include "community/web_community/login_thread.h"
#include "http/server.h"
#include "platform/instance_lock.h"
#include "platform/interface_addresses.h"
#include "settings/settings.h"
#include "site/site_server.h"
#include "site/site_tls.h"
#include "ui/client_rows.h"

namespace vireo {
namespace {

// The console's word for a state: the window's, and "Connect" for a connection that asked nothing yet.
std::string_view StateName(ClientState state)
{
    return state == ClientState::Connected ? "Connect" : ClientActionText(state);
}

// Prints the server's notices as log lines. Called from the server's threads.
class ConsoleLog final : public ServerEvents {
public:
    enum class Outcome { Running, Stopped, StartFailed };

    ConsoleLog(std::ostream& out, std::uint16_t asked_port) : printer_(out), asked_port_(asked_port) {}
    // Told once the server listens, so the community logins start at once.
    void OnListening(std::function<void()> told) { on_listening_ = std::move(told); }
    // The site's address as others reach it, while the server listens.
    std::optional<Ipv4Endpoint> ListeningAt() const
    {
        if (!listening_.load()) return std::nullopt;
        return shown_;
    }
    void Attach(Server* server) { server_ = server; }
    Outcome outcome() const { return outcome_.load(); }
    // Returns once every line so far is written.
    void Flush() { printer_.Flush(); }

    void OnServerNotice(ServerNotice notice) override
    {
        switch (notice) {
            case ServerNotice::Listening: {
                const Ipv4Endpoint bound = server_->BoundAddress();
                const Ipv4Address configured = GetListenIp();
                // On every address, the one shown is where visitors from elsewhere come in: the
                // host name's address may be 127.0.1.1, which only this computer can open.
                shown_ = {configured == Ipv4Address{} ? DefaultShownAddress() : bound.address, bound.port};
                // The fingerprint lets a visitor check, before trusting it, that the certificate
                // the browser is shown is the one this server holds. A certificate that does not
                // load fails every handshake without a word to anyone: the owner reads why here.
                const std::expected<std::string, std::string> certificate = LoadSiteCertificate();
                Print("Listening on " + FormatAddress(configured) + ":" + std::to_string(bound.port) +
                      " at " + FormatSiteUrl(shown_) +
                      (certificate ? " (certificate " + *certificate + ")" : std::string()));
                if (!certificate) Print("HTTPS is off: " + certificate.error());
                listening_ = true;
                if (on_listening_) on_listening_();
                return;
            }
            case ServerNotice::StartFailed: {
                int error = server_->LastStartError();
                Print("Failed starting server on port " + std::to_string(asked_port_) +
                      ". Error = " + std::to_string(error) + ". (" + std::strerror(error) + ")");
                outcome_ = Outcome::StartFailed;
                return;
            }
            case ServerNotice::Stopped:
                listening_ = false;
                Print("Server stopped.");
                outcome_ = Outcome::Stopped;
                return;
        }
    }

    void OnClientNotice(ClientNotice notice, const ClientEntry& client) override
    {
        if (notice != ClientNotice::Closed) return;
        Print(FormatLocalTime(client.connected_at) + " " + FormatAddress(client.peer.address) + " " +
              std::string(StateName(client.state)) + " " + (client.url.empty() ? "-" : client.url) + " " +
              FormatGrouped(client.sent) + "/" + FormatGrouped(client.total));
    }

    void OnServiceNotice(ServiceNotice notice) override
    {
        switch (notice) {
            case ServiceNotice::GuestbookMessage:
                Print("There is a new message in your guestbook.");
                return;
            case ServiceNotice::ChatStarted:
                Print("Chat room started.");
                return;
            case ServiceNotice::ChatEnded:
                Print("Chat room stopped.");
                return;
            case ServiceNotice::ChatWakeHost:
                // Without a window there is no browser to open: the line says where the room is.
                if (const std::optional<Ipv4Endpoint> site = ListeningAt())
                    Print("A visitor in the chat room asks for you: " + FormatSiteUrl(*site) + "WebChat/");
                return;
            case ServiceNotice::ChatEvictionHandled:
                return;  // only the window evicts members
        }
    }

private:
    void Print(std::string line) { printer_.Print(std::move(line)); }

    LinePrinter printer_;
    const std::uint16_t asked_port_;
    Server* server_ = nullptr;
    std::function<void()> on_listening_;
    Ipv4Endpoint shown_;  // written before listening_ is set, read after it is
    std::atomic<bool> listening_{false};
    std::atomic<Outcome> outcome_{Outcome::Running};
};

}  // namespace

int RunServeCommand(std::ostream& out, std::optional<std::uint16_t> port)
{
    const sigset_t stop_signals = BlockStopSignals();

    // Held until the process ends; other `vireo serve` may share the store, a window may not.
    const std::expected<UniqueFd, InstanceHolder> instance = TakeInstanceLock(InstanceKind::Headless);
    if (!instance && instance.error() == InstanceHolder::Window) {
        out << "Vireo already runs with its window on these settings; stop the server there first.\n";
        return 1;
    }

    ServerSetup setup = SiteServerSetup(SiteRoutes());
    if (port) setup.listen_address = [port] { return Ipv4Endpoint{GetListenIp(), *port}; };
    auto log = std::make_shared<ConsoleLog>(out, port.value_or(GetListenPort()));
    Server server(log, std::move(setup));
    log->Attach(&server);
    CommunityLoginThread logins([&log] { return log->ListeningAt(); });
    ChatRoom& chat_room = SiteChatRoom();
    log->OnListening([&logins, &chat_room, &log] {
        logins.Wake();
        if (GetAutoStartChatRoom()) chat_room.Start(log, GetChatRoomMaxMember());
    });
    server.Start();

    const timespec slice{0, 200 * 1000 * 1000};
    bool stop_requested = false;
    while (log->outcome() == ConsoleLog::Outcome::Running) {
        if (sigtimedwait(&stop_signals, nullptr, &slice) > 0 && !stop_requested) {
            // No login may run on into the stop, and every chat page ends: both threads end before
            // the server does.
            logins.Stop();
            chat_room.StopAndWait();
            server.RequestStop();
            stop_requested = true;
        }
    }
    log->Flush();
    return log->outcome() == ConsoleLog::Outcome::Stopped ? 0 : 1;
}

}  // namespace vireo
