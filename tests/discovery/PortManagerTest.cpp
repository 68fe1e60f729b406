// The port manager driven by a fake event source whose devices are
// pseudo-terminals, so ports really open and close.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "platform/NotificationCenter.h"
#include "serial/ULXSerialPortManager.h"
#include "tests/support/PtyPair.h"

namespace {

using PortList = ULXSerialPortManager::PortList;
using Change = ULXSerialPortManager::AvailablePortsChange;

// Lists the devices it is given and hands the manager's handlers to the test.
struct FakeSource : DeviceEventSource {
    struct State {
        std::vector<SerialDevice> present;
        bool refusePublished = false, refuseTerminated = false;
        int made = 0;
        DevicesHandler published, terminated;
        Handler willSleep, didWake;
    };
    explicit FakeSource(std::shared_ptr<State> s) : state(std::move(s)) {}

    std::optional<std::vector<SerialDevice>> followPublished(DevicesHandler handler) override {
        if (state->refusePublished) return std::nullopt;
        state->published = std::move(handler);
        return state->present;
    }
    bool followTerminated(DevicesHandler handler) override {
        if (!state->refuseTerminated) state->terminated = std::move(handler);
        return !state->refuseTerminated;
    }
    void followSleepAndWake(Handler willSleep, Handler didWake) override {
        state->willSleep = std::move(willSleep);
        state->didWake = std::move(didWake);
    }
    std::shared_ptr<State> state;
};

std::string pathsOf(const PortList& ports) {
    std::string paths;
    for (const auto& port : ports) paths += " " + port->path();
    return paths;
}

class PortManagerTest : public ::testing::Test {
protected:
    PortManagerTest() {
        state->present = {device(first), device(second)};
        ULXSerialPortManager::resetForTests();
        ULXSerialPortManager::useEventSourceFactory([s = state] {
            ++s->made;
            return std::make_unique<FakeSource>(s);
        });
        // Each announcement as "<name>:<paths under its key>".
        for (auto [name, key] :
             {std::pair{"ULXSerialPortWasConnectedNotification", "ULXConnectedSerialPortsKey"},
              std::pair{"ULXSerialPortWasDisconnectedNotification",
                        "ULXDisconnectedSerialPortsKey"}}) {
            tokens.push_back(NotificationCenter::defaultCenter().addObserver(
                name, nullptr, [this, key = std::string(key)](const Notification& n) {
                    EXPECT_EQ(n.sender, ULXSerialPortManager::sharedSerialPortManager().get());
                    const PortList* ports = n.value<PortList>(key);
                    announced.push_back(n.name + ":" + (ports ? pathsOf(*ports) : "<no key>"));
                }));
        }
    }
    ~PortManagerTest() override {
        for (auto token : tokens) NotificationCenter::defaultCenter().removeObserver(token);
        ULXSerialPortManager::resetForTests();
        ULXSerialPortManager::useEventSourceFactory(nullptr);
    }

    static SerialDevice device(const PtyPair& pty) {
        return SerialDevice::forNode(pty.slavePath());
    }
    std::shared_ptr<ULXSerialPortManager> manager() {
        auto shared = ULXSerialPortManager::sharedSerialPortManager();
        if (!observed) shared->addAvailablePortsObserver([this](auto& c) { changes.push_back(c); });
        observed = true;
        return shared;
    }

    PtyPair first, second, third;
    std::shared_ptr<FakeSource::State> state = std::make_shared<FakeSource::State>();
    std::vector<NotificationCenter::Token> tokens;
    std::vector<std::string> announced;
    std::vector<Change> changes;
    bool observed = false;
};

TEST_F(PortManagerTest, OneManagerAndOneListHoweverManyAsk) {
    std::vector<std::shared_ptr<ULXSerialPortManager>> seen(8);
    std::vector<std::thread> threads;
    for (auto& slot : seen)
        threads.emplace_back([&slot] { slot = ULXSerialPortManager::sharedSerialPortManager(); });
    for (auto& thread : threads) thread.join();
    for (const auto& m : seen) EXPECT_EQ(m, manager());
    EXPECT_EQ(state->made, 1);
    EXPECT_EQ(pathsOf(*manager()->availablePorts()),
              " " + first.slavePath() + " " + second.slavePath());
    // The listed port is the live object for its path.
    EXPECT_EQ(manager()->objectInAvailablePortsAtIndex(0),
              ULXSerialPort::existingPortWithPath(first.slavePath()));
}

TEST_F(PortManagerTest, PublishAddsOnlyUnlistedPortsAndAlwaysAnnounces) {
    auto m = manager();
    state->published({device(first)});
    EXPECT_EQ(m->countOfAvailablePorts(), 2u);
    // A new device reported twice in one batch is listed once, at the end.
    state->published({device(second), device(third), device(third)});
    EXPECT_EQ(pathsOf(*m->availablePorts()),
              " " + first.slavePath() + " " + second.slavePath() + " " + third.slavePath());
    EXPECT_EQ(announced, (std::vector<std::string>{
                             "ULXSerialPortWasConnectedNotification:",
                             "ULXSerialPortWasConnectedNotification: " + third.slavePath()}));
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].kind, Change::Insertion);
    EXPECT_EQ(changes[0].indexes, std::vector<std::size_t>{2});
}

TEST_F(PortManagerTest, RemovalClosesDropsAndAnnouncesEvenUnknownDevices) {
    auto m = manager();
    auto port = m->objectInAvailablePortsAtIndex(0);
    ASSERT_TRUE(port->open());
    state->terminated({device(first)});
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(pathsOf(*m->availablePorts()), " " + second.slavePath());
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].kind, Change::Removal);
    EXPECT_EQ(changes[0].indexes, std::vector<std::size_t>{0});

    state->terminated({device(third)});  // never listed: announced all the same
    EXPECT_EQ(m->countOfAvailablePorts(), 1u);
    EXPECT_EQ(announced, (std::vector<std::string>{
                             "ULXSerialPortWasDisconnectedNotification: " + first.slavePath(),
                             "ULXSerialPortWasDisconnectedNotification: " + third.slavePath()}));
}

TEST_F(PortManagerTest, SleepClosesOnlyOpenPortsAndWakeReopensThem) {
    auto m = manager();
    auto open = m->objectInAvailablePortsAtIndex(0);
    auto closed = m->objectInAvailablePortsAtIndex(1);
    ASSERT_TRUE(open->open());
    state->willSleep();
    EXPECT_FALSE(open->isOpen());
    EXPECT_EQ(m->portsToReopenAfterSleep(), PortList{open});
    state->didWake();
    EXPECT_TRUE(open->isOpen());
    EXPECT_FALSE(closed->isOpen());
    EXPECT_TRUE(m->portsToReopenAfterSleep().empty());

    // A device gone during the next sleep stays closed and is forgotten.
    state->willSleep();
    first.closeMaster();
    state->didWake();
    EXPECT_FALSE(open->isOpen());
    EXPECT_TRUE(m->portsToReopenAfterSleep().empty());
}

TEST_F(PortManagerTest, EndOfApplicationClosesEverythingAndLeavesNoList) {
    auto m = manager();
    auto port = m->objectInAvailablePortsAtIndex(0);
    auto sleeper = m->objectInAvailablePortsAtIndex(1);
    ASSERT_TRUE(sleeper->open());
    state->willSleep();
    ASSERT_TRUE(port->open());

    m->applicationWillTerminate();
    EXPECT_FALSE(port->isOpen());
    EXPECT_FALSE(m->availablePorts().has_value());
    EXPECT_EQ(m->countOfAvailablePorts(), 0u);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].kind, Change::Replacement);

    // A late wake reopens nothing; device events change and announce nothing.
    state->didWake();
    state->published({device(third)});
    state->terminated({device(first)});
    EXPECT_FALSE(sleeper->isOpen());
    EXPECT_FALSE(m->availablePorts().has_value());
    EXPECT_TRUE(announced.empty());
}

TEST_F(PortManagerTest, RefusedSubscriptionsLeaveNoListOrAGrowingOne) {
    state->refusePublished = true;
    EXPECT_FALSE(manager()->availablePorts().has_value());
    EXPECT_FALSE(state->terminated);

    ULXSerialPortManager::resetForTests();
    state->refusePublished = false;
    state->refuseTerminated = true;
    auto listingOnly = ULXSerialPortManager::sharedSerialPortManager();
    EXPECT_EQ(listingOnly->countOfAvailablePorts(), 2u);
    state->published({device(third)});
    EXPECT_EQ(listingOnly->countOfAvailablePorts(), 3u);
    EXPECT_FALSE(state->terminated);
}

TEST_F(PortManagerTest, EventsForAManagerThatIsGoneAreLoggedAndDropped) {
    manager();
    auto stalePublished = state->published;
    auto staleTerminated = state->terminated;
    ULXSerialPortManager::resetForTests();

    testing::internal::CaptureStderr();
    stalePublished({device(third)});
    staleTerminated({device(first)});
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(announced.empty());
    EXPECT_THAT(log, testing::MatchesRegex(
                         "Unexpected context object \\(null\\) in void "
                         "ULXSerialPortManagerPortsPublishedNotificationCallback\\([^\n]*\\)\\. "
                         "Context object should be an instance of ULXSerialPortManager\n"
                         "Unexpected context object \\(null\\) in void "
                         "ULXSerialPortManagerPortsTerminatedNotificationCallback\\([^\n]*\\)\\. "
                         "Context object should be an instance of ULXSerialPortManager\n"));
}

}  // namespace
