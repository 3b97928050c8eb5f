#include "community/chat/chat_room.h"

#include <sys/eventfd.h>
#include <sys/random.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>
#include <utility>

namespace vireo {
namespace {

// Ends a request that no room will handle: a join's socket closes with it, speech goes unheard, and
// an eviction's requester hears that there is nothing more to wait for.
void Abandon(ChatRequest& request)
{
    if (const ChatEvict* evict = std::get_if<ChatEvict>(&request); evict && evict->requester)
        evict->requester->OnServiceNotice(ServiceNotice::ChatEvictionHandled);
}

}  // namespace

ChatRoom::~ChatRoom()
{
    StopAndWait();
}

bool ChatRoom::Start(std::shared_ptr<ServerEvents> owner, std::uint32_t capacity)
{
    std::lock_guard guard(start_lock_);
    if (running_.load()) return true;
    // Made with the first start: a program that never opens the room holds no descriptor for it.
    if (!wake_) wake_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake_) return false;
    // The previous thread has ended (the room no longer runs); only its handle is left.
    if (thread_.joinable()) thread_.join();
    owner_ = std::move(owner);
    floor_.Reset(std::clamp(capacity, kMinChatCapacity, kMaxChatCapacity), owner_);
    stop_ = false;
    running_ = true;
    try {
        thread_ = std::thread(&ChatRoom::Run, this);
    } catch (const std::system_error&) {
        running_ = false;
    }
    return running_.load();
}

void ChatRoom::Stop()
{
    stop_ = true;
    // The wake descriptor exists once the room has run (it is made before running_ is set).
    if (running_.load()) Wake();
}

void ChatRoom::StopAndWait()
{
    std::lock_guard guard(start_lock_);
    Stop();
    if (thread_.joinable()) thread_.join();
}

std::uint32_t ChatRoom::IssueMemberId()
{
    for (;;) {
        std::uint32_t id = 0;
        if (::getrandom(&id, sizeof id, 0) != sizeof id) continue;
        if (id != 0 && !floor_.Find(id)) return id;
    }
}

void ChatRoom::PostJoin(ChatJoin join)
{
    Post(std::move(join));
}

void ChatRoom::PostSpeech(ChatSpeech speech)
{
    Post(std::move(speech));
}

void ChatRoom::PostEvict(ChatEvict evict)
{
    Post(std::move(evict));
}

void ChatRoom::Post(ChatRequest request)
{
    {
        std::lock_guard guard(requests_lock_);
        if (running_.load()) {
            requests_.push_back(std::move(request));
            Wake();
            return;
        }
    }
    Abandon(request);
}

void ChatRoom::Wake()
{
    const std::uint64_t one = 1;
    if (wake_) [[maybe_unused]]
        auto written = ::write(wake_.get(), &one, sizeof one);
}

void ChatRoom::HandleRequests()
{
    std::deque<ChatRequest> taken;
    {
        std::lock_guard guard(requests_lock_);
        taken.swap(requests_);
    }
    for (ChatRequest& request : taken) {
        if (ChatJoin* join = std::get_if<ChatJoin>(&request)) {
            floor_.Join(*join);
        } else if (const ChatSpeech* speech = std::get_if<ChatSpeech>(&request)) {
            floor_.Speak(*speech);
        } else {
            floor_.Evict(std::get<ChatEvict>(request));
        }
    }
}

void ChatRoom::Run()
{
    if (owner_) owner_->OnServiceNotice(ServiceNotice::ChatStarted);
    while (!stop_.load()) {
        HandleRequests();
        floor_.SendQueued();
        if (stop_.load()) break;
        floor_.Wait(wake_.get());
        std::uint64_t count = 0;
        [[maybe_unused]] auto read = ::read(wake_.get(), &count, sizeof count);
    }
    floor_.DropAll();
    std::deque<ChatRequest> left;
    {
        std::lock_guard guard(requests_lock_);
        running_ = false;
        left.swap(requests_);
    }
    for (ChatRequest& request : left) Abandon(request);
    if (owner_) owner_->OnServiceNotice(ServiceNotice::ChatEnded);
}

ChatRoom& SiteChatRoom()
{
    static ChatRoom room;
    return room;
}

}  // namespace vireo
