// Opening, line settings, exclusive use and closing, over pseudo-terminals.

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <thread>
#include <dirent.h>

#include "tests/serial/SerialTestSupport.h"
#include "tests/support/PtyPair.h"

namespace {

int threadCount() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/task")) {
        while (const dirent* entry = ::readdir(dir)) count += entry->d_name[0] != '.';
        ::closedir(dir);
    }
    return count;
}

// A cooked 9600 7E2 line with echo: nothing like what the port sets up.
termios cookedLine(termios t) {
    t.c_lflag |= ICANON | ECHO | ISIG;
    t.c_iflag |= ICRNL;
    t.c_oflag |= OPOST;
    t.c_cflag = (t.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB;
    ::cfsetspeed(&t, B9600);
    return t;
}

class SerialLine : public ::testing::Test {
protected:
    void TearDown() override {
        if (port) port->close();
    }
    void makePort() {
        port = ULXSerialPort::serialPortWithPath(pty.slavePath());
        ASSERT_TRUE(port);
    }
    termios lineNow() const {
        termios t{};
        ::tcgetattr(port->fileDescriptor(), &t);
        return t;
    }
    speed_t speedNow() const {
        const termios t = lineNow();
        return ::cfgetospeed(&t);
    }

    PtyPair pty;
    std::shared_ptr<ULXSerialPort> port;
};

}  // namespace

TEST_F(SerialLine, OpenSetsRaw115200EightNoneOneAndCloseRestoresTheLine) {
    const termios before = cookedLine(attributesOf(pty.slavePath()));
    setAttributesOf(pty.slavePath(), before);
    makePort();

    ASSERT_TRUE(port->open());
    EXPECT_GT(port->fileDescriptor(), 0);
    const termios t = lineNow();
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | IXON | ISTRIP), 0u);
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], 2);
    EXPECT_EQ(::cfgetispeed(&t), B115200);
    EXPECT_EQ(::cfgetospeed(&t), B115200);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_cflag & (HUPCL | CLOCAL | CREAD), static_cast<tcflag_t>(HUPCL | CLOCAL | CREAD));
    EXPECT_FALSE(port->RTS());
    EXPECT_FALSE(port->DTR());

    ASSERT_TRUE(port->close());
    EXPECT_EQ(port->fileDescriptor(), 0);
    const termios after = attributesOf(pty.slavePath());
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    // The pseudo-terminal driver forces CS8 and no PARENB whatever is asked.
    const tcflag_t keptByPty = ~static_cast<tcflag_t>(CSIZE | PARENB);
    EXPECT_EQ(after.c_cflag & keptByPty, before.c_cflag & keptByPty);
}

TEST_F(SerialLine, SettingsReachTheOpenLineAndWaitForTheNextOpenWhenClosed) {
    makePort();
    port->setBaudRate(9600);  // closed: only stored
    port->setNumberOfStopBits(2);
    ASSERT_TRUE(port->open());
    EXPECT_EQ(speedNow(), B9600);
    EXPECT_NE(lineNow().c_cflag & CSTOPB, 0u);

    // A pseudo-terminal drops PARENB, so the parity kind shows through PARODD.
    port->setParity(1);
    EXPECT_NE(lineNow().c_cflag & PARODD, 0u);
    port->setParity(2);
    EXPECT_EQ(lineNow().c_cflag & PARODD, 0u);
    port->setParity(1);
    port->setParity(3);  // not a parity kind: none
    EXPECT_EQ(port->parity(), 0u);

    port->setNumberOfStopBits(0);
    EXPECT_EQ(lineNow().c_cflag & CSTOPB, 0u);
    port->setShouldEchoReceivedData(true);
    EXPECT_NE(lineNow().c_lflag & ECHO, 0u);
    port->setBaudRate(57600);
    EXPECT_EQ(speedNow(), B57600);
}

TEST_F(SerialLine, FlowControlChangeReopensAnOpenPortOnly) {
    makePort();
    auto delegate = std::make_shared<RecordingDelegate>(kAllCallbacks);
    port->setDelegate(delegate);

    port->setUsesRTSCTSFlowControl(true);  // closed: stored, nothing else
    runMainFor(std::chrono::milliseconds(20));
    EXPECT_TRUE(delegate->events().empty());
    EXPECT_FALSE(port->isOpen());

    ASSERT_TRUE(port->open());
    EXPECT_NE(lineNow().c_cflag & CRTSCTS, 0u);
    port->setUsesRTSCTSFlowControl(false);
    EXPECT_TRUE(port->isOpen());
    EXPECT_EQ(lineNow().c_cflag & CRTSCTS, 0u);
    port->setUsesRTSCTSFlowControl(false);  // equal value: no reopen
    port->setUsesDCDOutputFlowControl(true);
    EXPECT_TRUE(port->isOpen());
    ASSERT_TRUE(runMainUntil([&] { return delegate->events().size() >= 5; }));
    runMainFor(std::chrono::milliseconds(20));
    EXPECT_EQ(delegate->events(),
              (std::vector<std::string>{"opened", "closed", "opened", "closed", "opened"}));
    EXPECT_TRUE(delegate->allOnMainThread());
}

TEST_F(SerialLine, OpenAndCloseAreIdempotent) {
    makePort();
    auto delegate = std::make_shared<RecordingDelegate>(kAllCallbacks);
    port->setDelegate(delegate);
    EXPECT_TRUE(port->close());  // closed already: no callback
    ASSERT_TRUE(port->open());
    const int threads = threadCount();
    EXPECT_FALSE(port->open());
    EXPECT_EQ(threadCount(), threads);  // no second reader or poller
    EXPECT_TRUE(port->close());
    EXPECT_TRUE(port->close());
    runMainFor(std::chrono::milliseconds(30));
    EXPECT_EQ(delegate->events(), (std::vector<std::string>{"opened", "closed"}));
}

TEST_F(SerialLine, ObserversOfIsOpenAreToldOnEveryDescriptorChange) {
    makePort();
    std::vector<bool> seen;
    const int token = port->addIsOpenObserver([&](ULXSerialPort& p) { seen.push_back(p.isOpen()); });
    ASSERT_TRUE(port->open());
    port->close();
    port->removeIsOpenObserver(token);
    ASSERT_TRUE(port->open());
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

TEST_F(SerialLine, ExclusiveUseHoldsAgainstOtherOpenersHereAndInOtherProcesses) {
    makePort();
    auto delegate = std::make_shared<RecordingDelegate>(ULXSerialPortDelegate::kDidEncounterError);
    port->setDelegate(delegate);

    // Another process holds the device: open fails at once and reports it.
    int toChild[2];
    int fromChild[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(fromChild), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        const char ok = (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ? 'y' : 'n';
        [[maybe_unused]] auto w = ::write(fromChild[1], &ok, 1);
        char done;
        [[maybe_unused]] auto r = ::read(toChild[0], &done, 1);
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(fromChild[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');
    EXPECT_FALSE(port->open());
    EXPECT_FALSE(port->isOpen());
    const auto errors = delegate->errors();  // reported from the main thread: at once
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].code, EWOULDBLOCK);
    EXPECT_EQ(errors[0].domain, "NSPOSIXErrorDomain");
    EXPECT_EQ(errors[0].description, std::strerror(EWOULDBLOCK));
    EXPECT_EQ(errors[0].path, pty.slavePath());
    ASSERT_EQ(::write(toChild[1], "x", 1), 1);
    ::waitpid(holder, nullptr, 0);

    // Released: the port opens and now keeps others out, in this process too.
    ASSERT_TRUE(port->open());
    UniqueFd second(::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
    EXPECT_NE(::flock(second.get(), LOCK_EX | LOCK_NB), 0);
    const pid_t intruder = ::fork();
    if (intruder == 0) {
        const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ::_exit(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0 ? 0 : 1);
    }
    int status = -1;
    ::waitpid(intruder, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // close gives the device up at once, though the reader may still be
    // waiting on the old descriptor; and it can be opened again right away.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    port->close();
    EXPECT_EQ(::flock(second.get(), LOCK_EX | LOCK_NB), 0);
    second.reset();
    EXPECT_TRUE(port->open());
    for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) ::close(fd);
}

TEST_F(SerialLine, OutputLinesAreDrivenOnlyOnChangeAndFailuresAreReported) {
    makePort();
    auto delegate = std::make_shared<RecordingDelegate>(ULXSerialPortDelegate::kDidEncounterError);
    port->setDelegate(delegate);
    port->setRTS(true);  // closed: stored for the next open
    EXPECT_TRUE(port->RTS());
    EXPECT_EQ(delegate->errorCount(), 0u);

    // A pseudo-terminal has no modem lines: each read of them fails with ENOTTY.
    ASSERT_TRUE(port->open());
    EXPECT_TRUE(port->RTS());
    delegate->clear();
    port->setDTR(true);  // reported from the main thread before the call returns
    ASSERT_EQ(delegate->errorCount(), 1u);
    EXPECT_EQ(delegate->errors()[0].code, ENOTTY);
    port->setDTR(true);  // equal value: no ioctl, no report
    EXPECT_EQ(delegate->errorCount(), 1u);

    // The poller reports the same failure at every firing and the port stays open.
    runMainFor(std::chrono::milliseconds(100));
    EXPECT_GE(delegate->errorCount(), 4u);
    EXPECT_TRUE(port->isOpen());
    EXPECT_TRUE(delegate->allOnMainThread());
}

TEST_F(SerialLine, CleanupLogsItsDeprecationAndCloses) {
    makePort();
    ASSERT_TRUE(port->open());
    ::testing::internal::CaptureStderr();
    port->cleanup();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Cleanup is deprecated and was never intended to be called publicly. You should "
              "update your code to avoid calling this method.\n");
    EXPECT_FALSE(port->isOpen());
}
