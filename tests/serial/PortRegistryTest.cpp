// One port object per device, however it is asked for, and a fresh one once
// the old one is gone.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "tests/serial/SerialTestSupport.h"
#include "tests/support/PtyPair.h"
#include "tests/support/WaitFor.h"

TEST(PortRegistry, PathSymlinkAndDeviceYieldOneObject) {
    PtyPair pty;
    const std::string path = pty.slavePath();
    const std::size_t before = ULXSerialPort::registeredPortCount();
    auto byPath = ULXSerialPort::serialPortWithPath(path);
    ASSERT_TRUE(byPath);

    const auto link = std::filesystem::temp_directory_path() /
                      ("serial-registry-" + std::to_string(::getpid()));
    std::filesystem::remove(link);
    std::filesystem::create_symlink(path, link);
    auto byLink = ULXSerialPort::serialPortWithPath(link);
    std::filesystem::remove(link);
    auto byDevice = ULXSerialPort::serialPortWithDevice(SerialDevice::forNode(path));

    EXPECT_EQ(byLink, byPath);
    EXPECT_EQ(byDevice, byPath);
    EXPECT_EQ(byLink->path(), path);  // always the callout path
    EXPECT_EQ(ULXSerialPort::existingPortWithPath(path), byPath);
    EXPECT_EQ(ULXSerialPort::registeredPortCount(), before + 1);

    EXPECT_EQ(byPath->description(), path.substr(path.rfind('/') + 1));
    EXPECT_EQ(byPath->hash(), std::hash<std::string>{}(path));
    EXPECT_TRUE(*byPath == *byLink);

    EXPECT_FALSE(ULXSerialPort::serialPortWithPath(""));
    EXPECT_FALSE(ULXSerialPort::serialPortWithPath("/dev/cu.SLAB_USBtoUART"));
}

TEST(PortRegistry, ANewObjectIsBuiltOnceTheOldOneIsGone) {
    PtyPair pty;
    auto first = ULXSerialPort::serialPortWithPath(pty.slavePath());
    ASSERT_TRUE(first);
    first->setBaudRate(9600);
    std::weak_ptr<ULXSerialPort> weak = first;
    first.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_FALSE(ULXSerialPort::existingPortWithPath(pty.slavePath()));
    auto second = ULXSerialPort::serialPortWithPath(pty.slavePath());
    ASSERT_TRUE(second);
    EXPECT_EQ(second->baudRate(), 115200u);
}

TEST(PortRegistry, AnOpenPortKeepsItselfAliveUntilClosed) {
    PtyPair pty;
    auto port = ULXSerialPort::serialPortWithPath(pty.slavePath());
    ASSERT_TRUE(port);
    ASSERT_TRUE(port->open());
    std::weak_ptr<ULXSerialPort> weak = port;
    port.reset();
    auto again = ULXSerialPort::existingPortWithPath(pty.slavePath());
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->isOpen());
    again->close();
    again.reset();
    EXPECT_TRUE(waitFor([&] { return weak.expired(); }));
}

TEST(PortRegistry, ConcurrentConstructionYieldsOneObject) {
    PtyPair pty;
    constexpr int kThreads = 4;
    constexpr int kRounds = 200;
    std::vector<std::vector<std::shared_ptr<ULXSerialPort>>> results(kThreads);
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ++ready;
            while (ready < kThreads) std::this_thread::yield();
            for (int i = 0; i < kRounds; ++i) {
                results[t].push_back(ULXSerialPort::serialPortWithPath(pty.slavePath()));
            }
        });
    }
    for (auto& thread : threads) thread.join();
    const auto one = results[0][0];
    ASSERT_TRUE(one);
    for (const auto& list : results) {
        for (const auto& port : list) EXPECT_EQ(port, one);
    }
}
