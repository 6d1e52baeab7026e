#include "tarnwick/utils/EventManager.h"

#include <vector>

namespace qz::utils {

std::int32_t EventManager::EventId(const std::string& name)
{
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (const unsigned char byte : name) {
        h = (h ^ byte) * 0x100000001b3ull;
    }
    h ^= h >> 32;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(h));
}

const EventManager::Event& EventManager::RegisterEvent(const std::string& name)
{
    const std::int32_t id = EventId(name);
    return events_.try_emplace(id, Event{id, name}).first->second;
}

void EventManager::Subscribe(std::int32_t eventId, IEventHandler* handler, std::uint64_t userValue)
{
    subscriptions_.emplace(eventId, Subscription{handler, eventId, userValue});
}

void EventManager::Unsubscribe(std::int32_t eventId, IEventHandler* handler)
{
    auto [at, end] = subscriptions_.equal_range(eventId);
    while (at != end) {
        at = at->second.handler == handler ? subscriptions_.erase(at) : std::next(at);
    }
}

void EventManager::Fire(std::int32_t eventId, void* data)
{
    const auto registered = events_.find(eventId);
    if (registered == events_.end()) return;
    // A handler may unsubscribe while it runs: call the subscriptions as they stood.
    std::vector<Subscription> called;
    auto [at, end] = subscriptions_.equal_range(eventId);
    for (; at != end; ++at) called.push_back(at->second);
    for (const Subscription& subscription : called) {
        const EventArgs args{&registered->second, data, subscription.userValue};
        subscription.handler->HandleEvent(&args);
    }
}

}  // namespace qz::utils
