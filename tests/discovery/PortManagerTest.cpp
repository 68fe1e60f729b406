// The port manager driven by a fake event source whose devices are
// pseudo-terminals, so ports really open and close.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "platform/NotificationCenter.h"
#include "serial/ULXSerialPortManager.h"
#include "tests/discovery/FakeEventSource.h"
#include "tests/support/PtyPair.h"

namespace {

using PortList = ULXSerialPortManager::PortList;
using Change = ULXSerialPortManager::AvailablePortsChange;

std::vector<std::string> pathsOf(const PortList& ports) {
    std::vector<std::string> paths;
    for (const auto& port : ports) paths.push_back(port->path());
    return paths;
}

// Every announcement of one name, with the ports under its key.
class AnnouncementLog {
public:
    AnnouncementLog(const char* name, const char* key) : key_(key) {
        token_ = NotificationCenter::defaultCenter().addObserver(
            name, nullptr, [this](const Notification& n) {
                senders.push_back(n.sender);
                const PortList* ports = n.value<PortList>(key_);
                posted.push_back(ports ? pathsOf(*ports) : std::vector<std::string>{"<missing>"});
            });
    }
    ~AnnouncementLog() { NotificationCenter::defaultCenter().removeObserver(token_); }

    std::vector<std::vector<std::string>> posted;
    std::vector<const void*> senders;

private:
    std::string key_;
    NotificationCenter::Token token_;
};

class PortManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        state = std::make_shared<FakeEventState>();
        state->present = {SerialDevice::forNode(first.slavePath()),
                          SerialDevice::forNode(second.slavePath())};
        ULXSerialPortManager::resetForTests();
        ULXSerialPortManager::useEventSourceFactory([state = state] {
            ++state->sourcesMade;
            return std::make_unique<FakeEventSource>(state);
        });
    }
    void TearDown() override {
        ULXSerialPortManager::resetForTests();
        ULXSerialPortManager::useEventSourceFactory(nullptr);
    }

    std::shared_ptr<ULXSerialPortManager> manager() {
        auto shared = ULXSerialPortManager::sharedSerialPortManager();
        if (!observed) {
            shared->addAvailablePortsObserver([this](const Change& c) { changes.push_back(c); });
            observed = true;
        }
        return shared;
    }

    PtyPair first, second, third;
    std::shared_ptr<FakeEventState> state;
    std::vector<Change> changes;
    bool observed = false;
    AnnouncementLog connected{"ULXSerialPortWasConnectedNotification",
                              "ULXConnectedSerialPortsKey"};
    AnnouncementLog disconnected{"ULXSerialPortWasDisconnectedNotification",
                                 "ULXDisconnectedSerialPortsKey"};
};

TEST_F(PortManagerTest, OneManagerAndOneListHoweverManyAsk) {
    std::vector<std::shared_ptr<ULXSerialPortManager>> seen(8);
    std::vector<std::thread> threads;
    for (auto& slot : seen) {
        threads.emplace_back([&slot] { slot = ULXSerialPortManager::sharedSerialPortManager(); });
    }
    for (auto& t : threads) t.join();
    for (const auto& m : seen) EXPECT_EQ(m, seen.front());
    EXPECT_EQ(manager(), seen.front());
    EXPECT_EQ(state->sourcesMade, 1);
    ASSERT_TRUE(manager()->availablePorts());
    EXPECT_EQ(pathsOf(*manager()->availablePorts()),
              (std::vector<std::string>{first.slavePath(), second.slavePath()}));
    // The listed port is the live object for its path, not a copy.
    EXPECT_EQ(manager()->objectInAvailablePortsAtIndex(0),
              ULXSerialPort::existingPortWithPath(first.slavePath()));
}

TEST_F(PortManagerTest, PublishAddsOnlyUnlistedPortsAndAlwaysAnnounces) {
    auto m = manager();
    state->published({SerialDevice::forNode(first.slavePath())});
    EXPECT_EQ(m->countOfAvailablePorts(), 2u);
    EXPECT_TRUE(changes.empty());
    ASSERT_EQ(connected.posted.size(), 1u);
    EXPECT_TRUE(connected.posted[0].empty());
    EXPECT_EQ(connected.senders[0], m.get());

    // A new device reported twice in one batch is listed once, at the end.
    const SerialDevice fresh = SerialDevice::forNode(third.slavePath());
    state->published({SerialDevice::forNode(second.slavePath()), fresh, fresh});
    ASSERT_EQ(m->countOfAvailablePorts(), 3u);
    EXPECT_EQ(m->objectInAvailablePortsAtIndex(2)->path(), third.slavePath());
    ASSERT_EQ(connected.posted.size(), 2u);
    EXPECT_EQ(connected.posted[1], std::vector<std::string>{third.slavePath()});
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].kind, Change::Insertion);
    EXPECT_EQ(changes[0].indexes, std::vector<std::size_t>{2});
}

TEST_F(PortManagerTest, RemovalClosesDropsAndAnnouncesEvenUnknownDevices) {
    auto m = manager();
    auto port = m->objectInAvailablePortsAtIndex(1);
    ASSERT_TRUE(port->open());

    state->terminated({SerialDevice::forNode(second.slavePath())});
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(pathsOf(*m->availablePorts()), std::vector<std::string>{first.slavePath()});
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].kind, Change::Removal);
    EXPECT_EQ(changes[0].indexes, std::vector<std::size_t>{1});
    ASSERT_EQ(disconnected.posted.size(), 1u);
    EXPECT_EQ(disconnected.posted[0], std::vector<std::string>{second.slavePath()});

    // A device that was never listed still gets a port object in the announcement.
    state->terminated({SerialDevice::forNode(third.slavePath())});
    EXPECT_EQ(m->countOfAvailablePorts(), 1u);
    EXPECT_EQ(changes.size(), 1u);
    ASSERT_EQ(disconnected.posted.size(), 2u);
    EXPECT_EQ(disconnected.posted[1], std::vector<std::string>{third.slavePath()});
}

TEST_F(PortManagerTest, SleepClosesOnlyOpenPortsAndWakeReopensThem) {
    auto m = manager();
    auto open = m->objectInAvailablePortsAtIndex(0);
    auto closed = m->objectInAvailablePortsAtIndex(1);
    ASSERT_TRUE(open->open());

    state->willSleep();
    EXPECT_FALSE(open->isOpen());
    EXPECT_FALSE(closed->isOpen());
    EXPECT_EQ(m->portsToReopenAfterSleep(), PortList{open});

    state->didWake();
    EXPECT_TRUE(open->isOpen());
    EXPECT_FALSE(closed->isOpen());
    EXPECT_TRUE(m->portsToReopenAfterSleep().empty());
    open->close();
}

TEST_F(PortManagerTest, WakeForgetsAPortThatCannotReopen) {
    auto m = manager();
    auto port = m->objectInAvailablePortsAtIndex(0);
    ASSERT_TRUE(port->open());
    state->willSleep();
    first.closeMaster();  // the device is gone while the system sleeps

    state->didWake();
    EXPECT_FALSE(port->isOpen());
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
    EXPECT_EQ(m->objectInAvailablePortsAtIndex(0), nullptr);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].kind, Change::Replacement);

    // A late wake must not reopen what the clean-up left closed, and device
    // events no longer change or announce anything.
    state->didWake();
    EXPECT_FALSE(sleeper->isOpen());
    state->published({SerialDevice::forNode(third.slavePath())});
    state->terminated({SerialDevice::forNode(first.slavePath())});
    EXPECT_FALSE(m->availablePorts().has_value());
    EXPECT_TRUE(connected.posted.empty());
    EXPECT_TRUE(disconnected.posted.empty());
}

TEST_F(PortManagerTest, RefusedSubscriptionsLeaveNoListOrAGrowingOne) {
    state->refusePublished = true;
    auto withoutList = manager();
    EXPECT_FALSE(withoutList->availablePorts().has_value());
    EXPECT_EQ(withoutList->countOfAvailablePorts(), 0u);
    EXPECT_FALSE(state->terminated);

    ULXSerialPortManager::resetForTests();
    observed = false;
    const auto present = state->present;
    *state = FakeEventState{};
    state->present = present;
    state->refuseTerminated = true;
    auto listingOnly = manager();
    ASSERT_EQ(listingOnly->countOfAvailablePorts(), 2u);
    state->published({SerialDevice::forNode(third.slavePath())});
    EXPECT_EQ(listingOnly->countOfAvailablePorts(), 3u);
    EXPECT_FALSE(state->terminated);
}

TEST_F(PortManagerTest, EventsForAManagerThatIsGoneAreLoggedAndDropped) {
    manager();
    auto stalePublished = state->published;
    auto staleTerminated = state->terminated;
    ULXSerialPortManager::resetForTests();

    testing::internal::CaptureStderr();
    stalePublished({SerialDevice::forNode(third.slavePath())});
    staleTerminated({SerialDevice::forNode(first.slavePath())});
    const std::string log = testing::internal::GetCapturedStderr();

    EXPECT_TRUE(connected.posted.empty());
    EXPECT_TRUE(disconnected.posted.empty());
    const std::string head = "Unexpected context object (null) in void ";
    const std::string tail = ". Context object should be an instance of ULXSerialPortManager\n";
    const auto split = log.find('\n') + 1;
    for (const std::string& line : {log.substr(0, split), log.substr(split)}) {
        EXPECT_EQ(line.rfind(head, 0), 0u) << line;
        ASSERT_GE(line.size(), tail.size());
        EXPECT_EQ(line.substr(line.size() - tail.size()), tail) << line;
    }
    EXPECT_NE(log.find("ULXSerialPortManagerPortsPublishedNotificationCallback("),
              std::string::npos);
    EXPECT_NE(log.find("ULXSerialPortManagerPortsTerminatedNotificationCallback("),
              std::string::npos);
}

TEST_F(PortManagerTest, ListAccessorsRejectBadIndexesAndReportChanges) {
    auto m = manager();
    auto a = m->objectInAvailablePortsAtIndex(0);
    auto b = m->objectInAvailablePortsAtIndex(1);
    m->removeObjectFromAvailablePortsAtIndex(7);
    m->insertObjectInAvailablePortsAtIndex(a, 9);
    m->insertAvailablePortsAtIndexes({a, b}, {0});
    EXPECT_EQ(m->countOfAvailablePorts(), 2u);
    EXPECT_TRUE(changes.empty());

    m->removeAvailablePortsAtIndexes({1, 0});
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].indexes, (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(changes[0].ports, (PortList{a, b}));
    m->insertAvailablePortsAtIndexes({b, a}, {0, 1});
    EXPECT_EQ(*m->availablePorts(), (PortList{b, a}));
}

}  // namespace
