// Opening, line settings, exclusive use and closing, over pseudo-terminals.

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "tests/serial/SerialTestSupport.h"
#include "tests/support/PtyPair.h"

using namespace std::chrono_literals;

namespace {

// Whether another process can take the device's exclusive lock now.
bool otherProcessCanLock(const std::string& path) {
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ::_exit(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class SerialLine : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(port); }
    void TearDown() override { port->close(); }
    termios line() const {
        termios t{};
        ::tcgetattr(port->fileDescriptor(), &t);
        return t;
    }

    PtyPair pty;
    std::shared_ptr<ULXSerialPort> port = ULXSerialPort::serialPortWithPath(pty.slavePath());
    std::shared_ptr<RecordingDelegate> delegate =
        std::make_shared<RecordingDelegate>(kAllCallbacks);
};

}  // namespace

TEST_F(SerialLine, OpenSetsRaw115200EightNoneOneAndCloseRestoresTheLine) {
    termios cooked = attributesOf(pty.slavePath());
    cooked.c_lflag |= ICANON | ECHO | ISIG;
    // Left behind by another program: software flow control both ways, input
    // translation, parity marking and stripping.
    cooked.c_iflag |= ICRNL | INLCR | IXON | IXOFF | IXANY | ISTRIP | PARMRK;
    cooked.c_oflag |= OPOST | ONLCR;
    cooked.c_cflag |= CSTOPB | CRTSCTS;
    ::cfsetspeed(&cooked, B9600);
    setAttributesOf(pty.slavePath(), cooked);
    const termios before = attributesOf(pty.slavePath());  // as the driver took them

    ASSERT_TRUE(port->open());
    const termios t = line();
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IXON | IXOFF | IXANY | ISTRIP | PARMRK), 0u);
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], 2);
    EXPECT_EQ(::cfgetispeed(&t), B115200);
    EXPECT_EQ(::cfgetospeed(&t), B115200);
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t{CS8});
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_cflag & (HUPCL | CLOCAL | CREAD), tcflag_t{HUPCL | CLOCAL | CREAD});

    ASSERT_TRUE(port->close());
    const termios after = attributesOf(pty.slavePath());
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
}

TEST_F(SerialLine, SettingsApplyAtOnceWhenOpenAndAtTheNextOpenWhenClosed) {
    port->setBaudRate(9600);
    port->setNumberOfStopBits(2);
    ASSERT_TRUE(port->open());
    termios t = line();
    EXPECT_EQ(::cfgetospeed(&t), B9600);
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);

    // A pseudo-terminal drops PARENB, so the parity kind shows through PARODD.
    port->setParity(1);
    EXPECT_NE(line().c_cflag & PARODD, 0u);
    port->setParity(2);
    EXPECT_EQ(line().c_cflag & PARODD, 0u);
    port->setParity(3);  // not a kind of parity: none
    EXPECT_EQ(port->parity(), 0u);
    port->setShouldEchoReceivedData(true);
    EXPECT_NE(line().c_lflag & ECHO, 0u);
}

TEST_F(SerialLine, CallbacksAndObserversFollowEachOpenAndClose) {
    port->setDelegate(delegate);
    std::vector<bool> seen;
    port->addIsOpenObserver([&](ULXSerialPort& p) { seen.push_back(p.isOpen()); });
    EXPECT_TRUE(port->close());            // closed already: no callback
    port->setUsesRTSCTSFlowControl(true);  // closed: only stored

    ASSERT_TRUE(port->open());
    EXPECT_NE(line().c_cflag & CRTSCTS, 0u);
    const int threads = threadCount();
    EXPECT_FALSE(port->open());
    EXPECT_EQ(threadCount(), threads);  // no second reader or poller

    port->setUsesRTSCTSFlowControl(false);  // open: closed and opened again
    EXPECT_TRUE(port->isOpen());
    EXPECT_EQ(line().c_cflag & CRTSCTS, 0u);
    port->setUsesRTSCTSFlowControl(false);  // equal value: nothing
    EXPECT_TRUE(port->close());
    EXPECT_TRUE(port->close());

    runMainFor(50ms);
    EXPECT_EQ(delegate->recorded(),
              (std::vector<std::string>{"opened", "closed", "opened", "closed"}));
    EXPECT_EQ(seen, (std::vector<bool>{true, false, true, false}));
    EXPECT_FALSE(delegate->offMainThread);
}

TEST_F(SerialLine, ExclusiveUseHoldsAgainstOtherOpenersAndEndsWithClose) {
    port->setDelegate(delegate);
    UniqueFd other(::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
    ASSERT_EQ(::flock(other.get(), LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(port->open());  // fails at once, reported before it returns
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(delegate->recorded(),
              std::vector<std::string>{"error:" + std::to_string(EWOULDBLOCK)});
    EXPECT_EQ(delegate->lastError.domain, "NSPOSIXErrorDomain");
    EXPECT_EQ(delegate->lastError.description, std::strerror(EWOULDBLOCK));
    EXPECT_EQ(delegate->lastError.path, pty.slavePath());
    ::flock(other.get(), LOCK_UN);

    ASSERT_TRUE(port->open());
    EXPECT_NE(::flock(other.get(), LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(otherProcessCanLock(pty.slavePath()));
    // The reader may still wait on the old descriptor after close: the lock
    // must be gone at once all the same, and the port can open again.
    std::this_thread::sleep_for(5ms);
    port->close();
    EXPECT_TRUE(otherProcessCanLock(pty.slavePath()));
    EXPECT_TRUE(port->open());
}

TEST_F(SerialLine, OutputLinesAreDrivenOnlyOnChangeAndLineFailuresAreReported) {
    port->setDelegate(std::shared_ptr<ULXSerialPortDelegate>{});
    port->setRTS(true);  // closed: stored for the next open
    ASSERT_TRUE(port->open());
    EXPECT_TRUE(port->RTS());

    // A pseudo-terminal has no modem lines: reading them fails with ENOTTY,
    // and the other lines are then left alone instead of written blindly.
    auto errors = std::make_shared<RecordingDelegate>(ULXSerialPortDelegate::kDidEncounterError);
    port->setDelegate(errors);
    port->setDTR(true);  // reported from the main thread before the call returns
    EXPECT_EQ(errors->noModemLineReports, 1);
    port->setDTR(true);  // equal value: no ioctl, no report
    EXPECT_EQ(errors->noModemLineReports, 1);

    runMainFor(100ms);  // the poller reports at every firing; the port stays open
    EXPECT_GE(errors->noModemLineReports, 4);
    EXPECT_TRUE(port->isOpen());
    EXPECT_FALSE(errors->offMainThread);
}

TEST_F(SerialLine, CleanupLogsItsDeprecationAndCloses) {
    ASSERT_TRUE(port->open());
    ::testing::internal::CaptureStderr();
    port->cleanup();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Cleanup is deprecated and was never intended to be called publicly. You should "
              "update your code to avoid calling this method.\n");
    EXPECT_FALSE(port->isOpen());
}
