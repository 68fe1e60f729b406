// The far end going away: the port closes itself, tells a delegate in order,
// its threads end and nothing spins on the dead descriptor.

#include <gtest/gtest.h>

#include <thread>

#include "tests/serial/SerialTestSupport.h"
#include "tests/support/GimbalSimulator.h"
#include "tests/support/WaitFor.h"

using namespace std::chrono_literals;

TEST(HangUp, DelegateHearsErrorThenRemovalThenCloseAndNothingSpinsMeanwhile) {
    GimbalSimulator gimbal;
    auto port = ULXSerialPort::serialPortWithPath(gimbal.slavePath());
    ASSERT_TRUE(port);
    auto delegate = std::make_shared<RecordingDelegate>(kAllCallbacks);
    port->setDelegate(delegate);
    ASSERT_TRUE(port->open());
    runMainFor(20ms);

    gimbal.hangUp();
    // The main queue is not pumped: the thread that noticed waits for the
    // error's delivery, and no other loop may keep polling the dead line.
    const auto cpuBefore = processCpuTime();
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(processCpuTime() - cpuBefore, 120ms) << "CPU used in the 300 ms after hang-up";

    ASSERT_TRUE(runMainUntil([&] { return delegate->recorded().size() >= 4; }));
    runMainFor(30ms);
    EXPECT_EQ(
        delegate->recorded(),
        (std::vector<std::string>{"opened", "error:" + std::to_string(EIO), "removed", "closed"}));
    EXPECT_FALSE(delegate->offMainThread);
    EXPECT_EQ(port->fileDescriptor(), 0);

    std::weak_ptr<ULXSerialPort> weak = port;  // reader and poller let go of it
    port.reset();
    EXPECT_TRUE(runMainUntil([&] { return weak.expired(); }));
}

TEST(HangUp, WithoutDelegateThePortClosesItselfOffTheMainThread) {
    GimbalSimulator gimbal;
    auto port = ULXSerialPort::serialPortWithPath(gimbal.slavePath());
    ASSERT_TRUE(port && port->open());
    gimbal.hangUp();
    EXPECT_TRUE(waitFor([&] { return !port->isOpen(); }));  // main queue never pumped
    std::weak_ptr<ULXSerialPort> weak = port;
    port.reset();
    EXPECT_TRUE(waitFor([&] { return weak.expired(); }));
}

TEST(HangUp, CloseRacingTheHangUpClosesOnce) {
    for (int round = 0; round < 10; ++round) {
        GimbalSimulator gimbal;
        auto port = ULXSerialPort::serialPortWithPath(gimbal.slavePath());
        ASSERT_TRUE(port);
        auto delegate = std::make_shared<RecordingDelegate>(ULXSerialPortDelegate::kWasClosed);
        port->setDelegate(delegate);
        ASSERT_TRUE(port->open());
        std::thread hangUp([&] { gimbal.hangUp(); });
        std::this_thread::sleep_for(std::chrono::microseconds(round * 700));
        EXPECT_TRUE(port->close());
        hangUp.join();
        EXPECT_TRUE(waitFor([&] { return !port->isOpen(); }));
        runMainFor(20ms);
        EXPECT_EQ(delegate->recorded(), std::vector<std::string>{"closed"});
    }
}
