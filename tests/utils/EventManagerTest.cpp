#include "tarnwick/utils/EventManager.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using qz::utils::EventManager;

// Appends its name, the event's name and id, the data and the user value to a log; then
// runs an optional action.
class Handler : public EventManager::IEventHandler {
public:
    Handler(std::string name, std::string& log) : name_(std::move(name)), log_(log) {}
    void HandleEvent(const EventManager::EventArgs* args) override
    {
        log_ += name_ + ":" + args->event->name + ":" + std::to_string(args->event->id == EventManager::EventId(args->event->name)) +
                ":" + std::to_string(reinterpret_cast<std::uintptr_t>(args->data)) + ":" + std::to_string(args->userValue) + " ";
        if (action) action();
    }
    std::function<void()> action;

private:
    std::string name_;
    std::string& log_;
};

TEST(EventManager, IdsAreFoldedFnv1aAndRegistrationKeepsTheFirstRecord)
{
    EXPECT_EQ(static_cast<std::int32_t>(0xcbf29ce4u ^ 0x84222325u), EventManager::EventId(""));
    EXPECT_EQ(EventManager::EventId("ev74941"), EventManager::EventId("ev107344"));
    EXPECT_EQ(0x058e34d7, EventManager::EventId("device_created"));
    EventManager events;
    const EventManager::Event& first = events.RegisterEvent("device_created");
    EXPECT_EQ(&first, &events.RegisterEvent("device_created"));
    const EventManager::Event& collision = events.RegisterEvent("ev74941");
    EXPECT_EQ(&collision, &events.RegisterEvent("ev107344"));
    EXPECT_EQ("ev74941", collision.name);
    for (int i = 0; i < 1000; ++i) events.RegisterEvent("filler" + std::to_string(i));
    EXPECT_EQ("device_created", first.name) << "records stay valid while the table grows";
}

TEST(EventManager, SubscriptionsOrderDuplicatesAndRemoval)
{
    EventManager events;
    std::string log;
    Handler a("A", log), b("B", log);
    const std::int32_t resized = events.RegisterEvent("resized").id;
    const std::int32_t destroyed = events.RegisterEvent("destroyed").id;
    events.Subscribe(resized, &a);
    events.Subscribe(resized, &b, 77);
    events.Subscribe(resized, &a);
    events.Subscribe(destroyed, &a);
    events.Subscribe(EventManager::EventId("unregistered"), &a);
    events.Fire(resized, reinterpret_cast<void*>(12));
    EXPECT_EQ("A:resized:1:12:0 B:resized:1:12:77 A:resized:1:12:0 ", log);
    log.clear();
    events.Unsubscribe(resized, &a);
    events.Unsubscribe(12345, &a);
    events.Fire(resized, nullptr);
    events.Fire(destroyed, nullptr);
    events.Fire(EventManager::EventId("unregistered"), nullptr);
    events.Fire(events.RegisterEvent("lonely").id, nullptr);
    EXPECT_EQ("B:resized:1:0:77 A:destroyed:1:0:0 ", log);
}

TEST(EventManager, HandlersRemovedWhileAnEventFiresAreNotCalled)
{
    EventManager events;
    std::string log;
    Handler a("A", log), b("B", log), c("C", log), late("late", log);
    const std::int32_t id = events.RegisterEvent("e").id;
    a.action = [&] {
        events.Unsubscribe(id, &a);
        events.Unsubscribe(id, &b);
        events.Subscribe(id, &late);
    };
    c.action = [&] { events.Fire(events.RegisterEvent("inner").id, nullptr); };
    // B after C: the inner fire must not drop B's entry from under the outer one.
    for (Handler* handler : {&a, &c, &b}) events.Subscribe(id, handler);
    events.Fire(id, nullptr);
    EXPECT_EQ("A:e:1:0:0 C:e:1:0:0 ", log) << "B was removed by A; late came after the fire began";
    log.clear();
    events.Fire(id, nullptr);
    EXPECT_EQ("C:e:1:0:0 late:e:1:0:0 ", log);
}

}  // namespace
