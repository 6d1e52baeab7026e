#pragma once
// Named events: producers register a name and fire its id; subscribed handlers are
// called in subscription order. Main thread only.

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>

namespace qz::utils {

class EventManager {
public:
    struct Event {
        std::int32_t id;
        std::string name;
    };

    struct EventArgs {
        const Event* event;
        void* data;
        std::uint64_t userValue;
    };

    class IEventHandler {
    public:
        virtual ~IEventHandler() = default;
        virtual void HandleEvent(const EventArgs* args) = 0;
    };

    struct Subscription {
        IEventHandler* handler;
        std::int32_t eventId;
        std::uint64_t userValue;
    };

    // The id of a name: 64-bit FNV-1a folded to 32 bits; the same in every run.
    static std::int32_t EventId(const std::string& name);

    // The record of the name's id; a name whose id is taken gets the first record.
    const Event& RegisterEvent(const std::string& name);
    // No check for registration or duplicates: a handler subscribed twice runs twice.
    void Subscribe(std::int32_t eventId, IEventHandler* handler, std::uint64_t userValue = 0);
    // Removes every subscription of the handler to the id. While an event fires, a
    // removed subscription is not called any more, whoever removed it.
    void Unsubscribe(std::int32_t eventId, IEventHandler* handler);
    // Calls the handlers of a registered id that were subscribed when it began; an
    // unregistered id calls nothing.
    void Fire(std::int32_t eventId, void* data);

private:
    std::unordered_map<std::int32_t, Event> events_;
    std::multimap<std::int32_t, Subscription> subscriptions_;
    // While handlers run, removed subscriptions only lose their handler, so the walk over
    // the table stays valid; the outermost Fire erases them.
    int firing_ = 0;
};

}  // namespace qz::utils
