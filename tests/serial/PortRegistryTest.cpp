// One port object per device, however it is asked for, and a fresh one once
// the old one is gone.

#include <gtest/gtest.h>

#include <thread>

#include "tests/serial/SerialTestSupport.h"
#include "tests/support/PtyPair.h"

TEST(PortRegistry, PathAndDeviceYieldOneObjectUntilItIsGone) {
    PtyPair pty;
    const std::size_t before = ULXSerialPort::registeredPortCount();
    auto byPath = ULXSerialPort::serialPortWithPath(pty.slavePath());
    ASSERT_TRUE(byPath);
    EXPECT_EQ(ULXSerialPort::serialPortWithDevice(SerialDevice::forNode(pty.slavePath())), byPath);
    EXPECT_EQ(ULXSerialPort::existingPortWithPath(pty.slavePath()), byPath);
    EXPECT_EQ(ULXSerialPort::registeredPortCount(), before + 1);
    EXPECT_FALSE(ULXSerialPort::serialPortWithPath("/dev/cu.SLAB_USBtoUART"));

    byPath->setBaudRate(9600);
    std::weak_ptr<ULXSerialPort> weak = byPath;
    byPath.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_FALSE(ULXSerialPort::existingPortWithPath(pty.slavePath()));
    auto fresh = ULXSerialPort::serialPortWithPath(pty.slavePath());
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->baudRate(), 115200u);
}

TEST(PortRegistry, ConcurrentConstructionYieldsOneObject) {
    PtyPair pty;
    constexpr int kThreads = 4;
    std::vector<std::vector<std::shared_ptr<ULXSerialPort>>> results(kThreads);
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (auto& list : results) {
        threads.emplace_back([&] {
            for (++ready; ready < kThreads;) std::this_thread::yield();
            for (int i = 0; i < 200; ++i) {
                list.push_back(ULXSerialPort::serialPortWithPath(pty.slavePath()));
            }
        });
    }
    for (auto& thread : threads) thread.join();
    ASSERT_TRUE(results[0][0]);
    for (const auto& list : results) {
        for (const auto& port : list) EXPECT_EQ(port, results[0][0]);
    }
}
