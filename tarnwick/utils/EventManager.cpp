#include "tarnwick/utils/EventManager.h"

#include <iterator>

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
        if (at->second.handler != handler) {
            ++at;
        } else if (firing_ > 0) {
            (at++)->second.handler = nullptr;
        } else {
            at = subscriptions_.erase(at);
        }
    }
}

void EventManager::Fire(std::int32_t eventId, void* data)
{
    const auto registered = events_.find(eventId);
    if (registered == events_.end()) return;
    // Subscriptions made meanwhile go behind these in the table and are not counted.
    auto [at, end] = subscriptions_.equal_range(eventId);
    auto count = std::distance(at, end);
    struct Firing {
        EventManager& manager;
        explicit Firing(EventManager& m) : manager(m) { ++manager.firing_; }
        ~Firing()
        {
            if (--manager.firing_ == 0) {
                std::erase_if(manager.subscriptions_, [](const auto& entry) { return entry.second.handler == nullptr; });
            }
        }
    } firing(*this);
    for (; count > 0; --count, ++at) {
        if (!at->second.handler) continue;
        const EventArgs args{&registered->second, data, at->second.userValue};
        at->second.handler->HandleEvent(&args);
    }
}

}  // namespace qz::utils
