// Opening and closing the line, removal from the system, and the end of a
// port object's line state.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <system_error>
#include <thread>

#include "platform/MainQueue.h"
#include "protocol/ParserState.h"
#include "serial/LineSession.h"
#include "serial/LineThreads.h"

namespace {

// How long close lets pending output drain before discarding it: enough for a
// full kernel buffer at 115200 bits per second, short enough that a stuck
// device never hangs the caller.
constexpr auto kDrainLimit = std::chrono::milliseconds(500);
constexpr auto kDrainStep = std::chrono::milliseconds(2);

void drainOutput(int fd) {
    const auto deadline = std::chrono::steady_clock::now() + kDrainLimit;
    for (;;) {
        int pending = 0;
        if (::ioctl(fd, TIOCOUTQ, &pending) != 0 || pending <= 0) break;
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(kDrainStep);
    }
    // Whatever is still queued (a stalled or vanished device) is discarded, so
    // the drain in the attribute restore below cannot block.
    ::tcflush(fd, TCOFLUSH);
}

}  // namespace

bool ULXSerialPort::isOpen() const { return fileDescriptor_ != 0; }

int ULXSerialPort::fileDescriptor() const { return fileDescriptor_; }

int ULXSerialPort::lastOpenError() const { return lastOpenError_; }

bool ULXSerialPort::sessionIsCurrent(const LineSession& session) const {
    return currentSession_.load() == session.number && !session.deviceGone.load() &&
           !LineThreads::stopping();
}

bool ULXSerialPort::open() {
    if (isOpen()) return false;
    forgetGimbalOutsideUpgrade();

    // Non-blocking, so that opening a device that waits for carrier, or one
    // that someone else holds, never hangs.
    int fd = ::open(path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        lastOpenError_ = errno;
        reportPosixError(lastOpenError_, false);
        return false;
    }
    if (fd == 0) {
        // Descriptor 0 marks a closed port; move the line off it.
        const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
        const int error = errno;
        ::close(fd);
        if (moved < 0) {
            lastOpenError_ = error;
            reportPosixError(error, false);
            return false;
        }
        fd = moved;
    }
    // Exclusive use: a second opener, here or in another process, fails at once.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        lastOpenError_ = error;
        reportPosixError(error, false);
        return false;
    }
    lastOpenError_ = 0;
    ::ioctl(fd, TIOCEXCL);
    ::fcntl(fd, F_SETFL, 0);  // reads and writes block from now on
    // Read before the descriptor is published, so a close from another thread
    // always finds them.
    originalAttributesSaved_ = ::tcgetattr(fd, &originalPortAttributes_) == 0;

    // A half-collected frame of an earlier session means nothing on this one.
    resetProtocolParser();

    std::shared_ptr<LineSession> session;
    {
        std::unique_lock gate(descriptorGate_);
        fileDescriptor_ = fd;
        currentSession_ = ++lastSession_;
        session = std::make_shared<LineSession>(fd, currentSession_.load());
    }
    notifyIsOpenObservers();
    setPortOptions();

    // The kernel raises RTS and DTR on open: take the lines as they are, then
    // drive each one that differs from its wanted state.
    int bits = 0;
    int linesError = 0;
    {
        std::shared_lock gate(descriptorGate_);
        // What the line received before this open (a reply or a block request
        // meant for an earlier program) is nothing this session asked for.
        if (sessionIsCurrent(*session)) ::tcflush(fd, TCIFLUSH);
        if (sessionIsCurrent(*session) && ::ioctl(fd, TIOCMGET, &bits) != 0) {
            linesError = errno;
            bits = 0;
        }
    }
    if (linesError != 0) reportPosixError(linesError, false);
    const bool wantedRTS = RTS_;
    const bool wantedDTR = DTR_;
    RTS_ = (bits & TIOCM_RTS) != 0;
    DTR_ = (bits & TIOCM_DTR) != 0;
    setRTS(wantedRTS);
    setDTR(wantedDTR);

    postToDelegate(ULXSerialPortDelegate::kWasOpened,
                   [](ULXSerialPortDelegate& d, const auto& self) { d.serialPortWasOpened(self); });

    if (!startLineThreads(session)) {
        close();
        return false;
    }
    return true;
}

// The reader and the poller each hold the port while they run, so an open port
// stays alive; they end on their own once the session is over, and the port
// may be destroyed on whichever of them lets go last.
bool ULXSerialPort::startLineThreads(const std::shared_ptr<LineSession>& session) {
    using Body = void (ULXSerialPort::*)(const std::shared_ptr<LineSession>&);
    const auto start = [&](Body body) {
        LineThreads& threads = LineThreads::instance();
        threads.started();
        try {
            std::thread([self = shared_from_this(), session, body, &threads]() mutable {
                ((*self).*body)(session);
                self.reset();  // may destroy the port: before the thread counts as finished
                threads.finished();
            }).detach();
        } catch (const std::exception&) {
            threads.finished();
            return false;
        }
        return true;
    };
    return start(&ULXSerialPort::runReader) && start(&ULXSerialPort::runPoller);
}

bool ULXSerialPort::close() {
    if (!isOpen()) return true;
    {
        std::lock_guard lock(writeMutex_);
        writeBuffer_.clear();
    }
    {
        std::shared_lock gate(descriptorGate_);
        const int fd = fileDescriptor_;
        if (fd == 0) return true;
        currentSession_ = 0;  // the reader and the poller stop using the line
        restoreLineOnClose(fd);
    }
    int fd = 0;
    {
        std::unique_lock gate(descriptorGate_);
        fd = fileDescriptor_.exchange(0);
    }
    if (fd == 0) return true;  // a concurrent close got there first
    notifyIsOpenObservers();

    if (::close(fd) != 0) {
        const int error = errno;
        {
            std::unique_lock gate(descriptorGate_);
            fileDescriptor_ = fd;
        }
        notifyIsOpenObservers();
        reportPosixError(error, false);
        return false;
    }
    postToDelegate(ULXSerialPortDelegate::kWasClosed,
                   [](ULXSerialPortDelegate& d, const auto& self) { d.serialPortWasClosed(self); });
    return true;
}

// Clears hardware flow control (which could hold pending output forever), lets
// the output drain for a bounded time, puts back the attributes found at open
// and gives up exclusive use at once. Results are not examined: closing goes on.
void ULXSerialPort::restoreLineOnClose(int fd) {
    termios current{};
    if (::tcgetattr(fd, &current) == 0) {
        current.c_cflag &= ~CRTSCTS;
        ::tcsetattr(fd, TCSANOW, &current);
    }
    drainOutput(fd);
    if (originalAttributesSaved_) ::tcsetattr(fd, TCSADRAIN, &originalPortAttributes_);
    ::ioctl(fd, TIOCNXCL);
    // Unlock explicitly: a reader still waiting in poll() keeps the open file
    // alive for a moment after close(2), and with it an flock lock.
    ::flock(fd, LOCK_UN);
}

void ULXSerialPort::cleanupAfterSystemRemoval() {
    if (!delegateHandles(ULXSerialPortDelegate::kWasRemovedFromSystem)) {
        close();
        return;
    }
    std::weak_ptr<ULXSerialPortDelegate> weakDelegate;
    {
        std::lock_guard lock(identityMutex_);
        weakDelegate = delegate_;
    }
    MainQueue::current().post([weakDelegate, self = shared_from_this()] {
        if (auto d = weakDelegate.lock()) d->serialPortWasRemovedFromSystem(self);
        self->close();
    });
}

void ULXSerialPort::cleanup() {
    std::fprintf(stderr,
                 "Cleanup is deprecated and was never intended to be called publicly. You should "
                 "update your code to avoid calling this method.\n");
    cleanupAfterSystemRemoval();
}

// Nothing else uses the line once the object goes: the reader and the poller
// own the object while they run. A descriptor still held (a port whose threads
// could not start, or whose close(2) failed) is released here.
void ULXSerialPort::destroyLineState() {
    currentSession_ = 0;
    const int fd = fileDescriptor_.exchange(0);
    if (fd > 0) {
        restoreLineOnClose(fd);
        ::close(fd);
    }
}
