#include "tarnwick/utils/EventManager.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using qz::utils::EventManager;

struct Call {
    std::string handler;
    std::int32_t id;
    std::string name;
    void* data;
    std::uint64_t userValue;
};

class RecordingHandler : public EventManager::IEventHandler {
public:
    RecordingHandler(std::string name, std::vector<Call>& calls) : name_(std::move(name)), calls_(calls) {}
    void HandleEvent(const EventManager::EventArgs* args) override
    {
        calls_.push_back({name_, args->event->id, args->event->name, args->data, args->userValue});
    }

private:
    std::string name_;
    std::vector<Call>& calls_;
};

TEST(EventManager, IdsAreFoldedFnv1a)
{
    // Offset basis 0xcbf29ce484222325 folded: 0xcbf29ce4 ^ 0x84222325.
    EXPECT_EQ(static_cast<std::int32_t>(0xcbf29ce4u ^ 0x84222325u), EventManager::EventId(""));
    EXPECT_EQ(EventManager::EventId("ev74941"), EventManager::EventId("ev107344"));
    EXPECT_NE(EventManager::EventId("device_created"), EventManager::EventId("device_destroyed"));
}

TEST(EventManager, HandlersRunInSubscriptionOrderWithTheirArguments)
{
    EventManager events;
    std::vector<Call> calls;
    RecordingHandler a("A", calls), b("B", calls);
    const EventManager::Event& created = events.RegisterEvent("device_created");
    events.Subscribe(created.id, &a);
    events.Subscribe(created.id, &b, 77);
    int data = 0;
    events.Fire(created.id, &data);
    events.Fire(created.id, nullptr);
    ASSERT_EQ(4u, calls.size());
    EXPECT_EQ("A", calls[0].handler);
    EXPECT_EQ("B", calls[1].handler);
    EXPECT_EQ("A", calls[2].handler);
    EXPECT_EQ(created.id, calls[1].id);
    EXPECT_EQ("device_created", calls[1].name);
    EXPECT_EQ(&data, calls[0].data);
    EXPECT_EQ(77u, calls[1].userValue);
    EXPECT_EQ(nullptr, calls[3].data);
}

TEST(EventManager, DoubleSubscriptionRunsTwiceAndOneUnsubscribeRemovesBoth)
{
    EventManager events;
    std::vector<Call> calls;
    RecordingHandler a("A", calls), b("B", calls);
    const std::int32_t resized = events.RegisterEvent("device_window_resized").id;
    const std::int32_t destroyed = events.RegisterEvent("device_destroyed").id;
    events.Subscribe(resized, &a);
    events.Subscribe(resized, &b);
    events.Subscribe(resized, &a);
    events.Subscribe(destroyed, &a);
    events.Fire(resized, nullptr);
    ASSERT_EQ(3u, calls.size());
    calls.clear();
    events.Unsubscribe(resized, &a);
    events.Fire(resized, nullptr);
    events.Fire(destroyed, nullptr);
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ("B", calls[0].handler);
    EXPECT_EQ("A", calls[1].handler);
    EXPECT_EQ(destroyed, calls[1].id);
    events.Unsubscribe(12345, &a);  // nothing subscribed: silent
}

TEST(EventManager, UnregisteredOrUnsubscribedIdsCallNothing)
{
    EventManager events;
    std::vector<Call> calls;
    RecordingHandler a("A", calls);
    const std::int32_t unregistered = EventManager::EventId("never_registered");
    events.Subscribe(unregistered, &a);
    events.Fire(unregistered, nullptr);
    events.Fire(events.RegisterEvent("lonely").id, nullptr);
    EXPECT_TRUE(calls.empty());
}

TEST(EventManager, RegistrationIsIdempotentAndCollisionsShareTheFirstRecord)
{
    EventManager events;
    const EventManager::Event& first = events.RegisterEvent("device_created");
    const EventManager::Event& second = events.RegisterEvent("device_created");
    EXPECT_EQ(&first, &second);
    const EventManager::Event& ev74941 = events.RegisterEvent("ev74941");
    const EventManager::Event& ev107344 = events.RegisterEvent("ev107344");
    EXPECT_EQ(&ev74941, &ev107344);
    EXPECT_EQ("ev74941", ev107344.name);
    for (int i = 0; i < 1000; ++i) events.RegisterEvent("filler" + std::to_string(i));
    EXPECT_EQ("device_created", first.name) << "records stay valid while the table grows";
}

TEST(EventManager, AHandlerMayUnsubscribeItselfWhileFiring)
{
    EventManager events;
    const std::int32_t id = events.RegisterEvent("once").id;
    struct Once : EventManager::IEventHandler {
        EventManager* events;
        std::int32_t id;
        int calls = 0;
        void HandleEvent(const EventManager::EventArgs*) override
        {
            ++calls;
            events->Unsubscribe(id, this);
        }
    } once;
    once.events = &events;
    once.id = id;
    events.Subscribe(id, &once);
    events.Fire(id, nullptr);
    events.Fire(id, nullptr);
    EXPECT_EQ(1, once.calls);
}

}  // namespace
