// The system's event sources on this machine: udev listing and monitoring, and
// logind's sleep signal, the latter against a private bus with a stand-in
// logind on it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/LoopMainQueue.h"
#include "platform/UniqueFd.h"
#include "serial/DeviceLookup.h"
#include "serial/LogindSleepSource.h"
#include "serial/ULXSerialPortManager.h"
#include "tests/support/WaitFor.h"

extern char** environ;

namespace {

LoopMainQueue& mainQueue() { return static_cast<LoopMainQueue&>(MainQueue::current()); }

TEST(SystemSourcesTest, RealSourceListsSerialDevicesWithoutOpeningAnyAndStops) {
    ULXSerialPortManager::resetForTests();
    ULXSerialPortManager::useEventSourceFactory(nullptr);
    const std::vector<SerialDevice> devices = enumerateSerialDevices();
    // inotify reports each open of a watched node, as a nameless event.
    UniqueFd opens(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    for (const auto& device : devices) {
        ::inotify_add_watch(opens.get(), device.info().calloutPath.c_str(), IN_OPEN);
    }

    auto manager = ULXSerialPortManager::sharedSerialPortManager();
    ASSERT_TRUE(manager->availablePorts().has_value())
        << "no udev monitor could be made on this machine";
    std::vector<std::string> listed, expected;
    for (const auto& port : *manager->availablePorts()) {
        listed.push_back(port->path());
        EXPECT_FALSE(port->isOpen());
    }
    for (const auto& device : devices) expected.push_back(device.info().calloutPath);
    EXPECT_EQ(listed, expected);

    mainQueue().runFor(std::chrono::milliseconds(50));  // whatever the monitor delivers
    manager.reset();
    // Stops the udev monitor's thread and the sleep source's, which found no
    // system bus here and gave up quietly.
    ULXSerialPortManager::resetForTests();
    inotify_event events[8];
    EXPECT_LE(::read(opens.get(), events, sizeof events), 0) << "a serial device was opened";
}

// A private message bus with a stand-in logind that grants sleep delay locks
// (pipes whose read end it keeps) and sends PrepareForSleep.
class FakeLogindTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::access("/usr/bin/dbus-daemon", X_OK) != 0) GTEST_SKIP() << "no dbus-daemon";
        std::ofstream(config) << "<busconfig><type>session</type><listen>unix:path=" << socket
                              << "</listen><auth>EXTERNAL</auth><policy context='default'>"
                                 "<allow send_destination='*'/><allow receive_sender='*'/>"
                                 "<allow own='*'/></policy></busconfig>";
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        const std::string configArg = "--config-file=" + config;
        const char* argv[] = {"dbus-daemon", configArg.c_str(), "--nofork", nullptr};
        ASSERT_EQ(posix_spawn(&daemonPid, "/usr/bin/dbus-daemon", &quiet, nullptr,
                              const_cast<char**>(argv), environ),
                  0);
        posix_spawn_file_actions_destroy(&quiet);
        // The socket's file appears when the bus binds it, a moment before it
        // listens: a connection refused then is tried again.
        ASSERT_TRUE(waitFor([&] {
            if (connectLogind()) return true;
            if (logind) logind = sd_bus_flush_close_unref(logind);
            return false;
        }));
    }

    void TearDown() override {
        if (logind) sd_bus_flush_close_unref(logind);
        if (daemonPid > 0) {
            ::kill(daemonPid, SIGTERM);
            ::waitpid(daemonPid, nullptr, 0);
        }
        ::unlink(socket.c_str());
        ::unlink(config.c_str());
    }

    static int inhibit(sd_bus_message* call, void* userdata, sd_bus_error*) {
        auto* self = static_cast<FakeLogindTest*>(userdata);
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) return -errno;
        self->grantedLocks.emplace_back(ends[0]);
        const int replied = sd_bus_reply_method_return(call, "h", ends[1]);
        ::close(ends[1]);  // the reply carries its own copy
        return replied;
    }

    bool connectLogind() {
        static const sd_bus_vtable vtable[] = {
            SD_BUS_VTABLE_START(0),
            SD_BUS_METHOD("Inhibit", "ssss", "h", &FakeLogindTest::inhibit,
                          SD_BUS_VTABLE_UNPRIVILEGED),
            SD_BUS_VTABLE_END};
        return sd_bus_new(&logind) >= 0 && sd_bus_set_address(logind, address().c_str()) >= 0 &&
               sd_bus_set_bus_client(logind, 1) >= 0 && sd_bus_start(logind) >= 0 &&
               sd_bus_request_name(logind, "org.freedesktop.login1", 0) >= 0 &&
               sd_bus_add_object_vtable(logind, nullptr, "/org/freedesktop/login1",
                                        "org.freedesktop.login1.Manager", vtable, this) >= 0;
    }

    void prepareForSleep(bool goingToSleep) {
        ASSERT_GE(
            sd_bus_emit_signal(logind, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                               "PrepareForSleep", "b", int(goingToSleep)),
            0);
        sd_bus_flush(logind);
    }

    // Serves the stand-in logind and runs main-thread tasks until done holds.
    bool serveUntil(const std::function<bool()>& done) {
        return mainQueue().runUntil(
            [&] {
                while (sd_bus_process(logind, nullptr) > 0) {
                }
                return done();
            },
            std::chrono::milliseconds(5000));
    }

    static bool released(const UniqueFd& lock) {
        pollfd p{lock.get(), POLLIN, 0};
        return ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
    }

    std::string address() const { return "unix:path=" + socket; }
    static std::string scratch(const std::string& ending) {
        return std::filesystem::temp_directory_path() /
               ("fake-logind-" + std::to_string(::getpid()) + "." + ending);
    }

    const std::string socket = scratch("socket");
    const std::string config = scratch("conf");
    pid_t daemonPid = -1;
    sd_bus* logind = nullptr;
    std::vector<UniqueFd> grantedLocks;
};

TEST_F(FakeLogindTest, SleepIsDelayedUntilHandledAndWakeIsReported) {
    int wakes = 0;
    bool lockHeldWhileHandling = false;
    bool sleptOnMainThread = false;
    LogindSleepSource source(address());
    source.start(
        [&] {
            sleptOnMainThread = MainQueue::current().isMainThread();
            lockHeldWhileHandling = grantedLocks.size() == 1 && !released(grantedLocks[0]);
        },
        [&] { ++wakes; });
    ASSERT_TRUE(serveUntil([&] { return source.isFollowing() && grantedLocks.size() == 1; }));

    prepareForSleep(true);
    ASSERT_TRUE(serveUntil([&] { return released(grantedLocks[0]); }));
    EXPECT_TRUE(sleptOnMainThread);
    EXPECT_TRUE(lockHeldWhileHandling);

    // Waking reports it and takes a new lock for the next sleep.
    prepareForSleep(false);
    ASSERT_TRUE(serveUntil([&] { return wakes == 1 && grantedLocks.size() == 2; }));
    EXPECT_FALSE(released(grantedLocks[1]));
}

}  // namespace
