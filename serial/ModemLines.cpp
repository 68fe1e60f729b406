// Modem-control lines, the 10 ms line poller, error reports to the delegate
// and observers of isOpen.

#include <sys/ioctl.h>
#include <sys/prctl.h>

#include <chrono>
#include <thread>

#include "platform/MainQueue.h"
#include "serial/LineSession.h"

namespace {
constexpr auto kPollPeriod = std::chrono::milliseconds(10);
// Lets the kernel fire each poll up to 5 ms late, so it can batch the wakeup
// with others: an idle open port then costs about a third less CPU.
constexpr unsigned long kPollLeewayNs = 5'000'000;
}  // namespace

bool ULXSerialPort::RTS() const { return RTS_; }
void ULXSerialPort::setRTS(bool on) { driveOutputLine(RTS_, TIOCM_RTS, on); }
bool ULXSerialPort::DTR() const { return DTR_; }
void ULXSerialPort::setDTR(bool on) { driveOutputLine(DTR_, TIOCM_DTR, on); }
bool ULXSerialPort::CTS() const { return CTS_; }
void ULXSerialPort::setCTS(bool on) { CTS_ = on; }
bool ULXSerialPort::DSR() const { return DSR_; }
void ULXSerialPort::setDSR(bool on) { DSR_ = on; }
bool ULXSerialPort::DCD() const { return DCD_; }
void ULXSerialPort::setDCD(bool on) { DCD_ = on; }

// Stores the wanted state and, while open, drives the line to it. The other
// lines are written back as read; when they cannot be read, nothing is written.
void ULXSerialPort::driveOutputLine(std::atomic<bool>& line, int bit, bool on) {
    if (line.exchange(on) == on) return;
    int error = 0;
    {
        std::shared_lock gate(descriptorGate_);
        const int fd = fileDescriptor_;
        if (fd == 0) return;  // applied by the next open
        int bits = 0;
        if (::ioctl(fd, TIOCMGET, &bits) != 0) {
            error = errno;
        } else {
            bits = on ? (bits | bit) : (bits & ~bit);
            if (::ioctl(fd, TIOCMSET, &bits) != 0) error = errno;
        }
    }
    if (error != 0) reportPosixError(error, false);
}

// Reads the lines every 10 ms and mirrors CTS, DSR and DCD on the main thread.
// A vanished device ends the poller and closes the port; other failures (a
// pseudo-terminal has no modem lines) are reported and polling goes on.
void ULXSerialPort::runPoller(const std::shared_ptr<LineSession>& session) {
    ::prctl(PR_SET_TIMERSLACK, kPollLeewayNs);  // this thread only
    while (sessionIsCurrent(*session)) {
        int bits = 0;
        int result = 0;
        int error = 0;
        {
            std::shared_lock gate(descriptorGate_);
            if (!sessionIsCurrent(*session)) return;
            result = ::ioctl(session->fd, TIOCMGET, &bits);
            error = errno;
        }
        if (result != 0) {
            if (serial_line::meansDeviceGone(error)) {
                handleDeviceGone(*session, error);
                return;
            }
            reportPosixError(error, false);
        } else {
            const auto mirror = [this](bool value, bool (ULXSerialPort::*get)() const,
                                       void (ULXSerialPort::*set)(bool)) {
                if ((this->*get)() == value) return;
                MainQueue::current().postAndWait([this, set, value] { (this->*set)(value); });
            };
            mirror((bits & TIOCM_CTS) != 0, &ULXSerialPort::CTS, &ULXSerialPort::setCTS);
            mirror((bits & TIOCM_DSR) != 0, &ULXSerialPort::DSR, &ULXSerialPort::setDSR);
            mirror((bits & TIOCM_CAR) != 0, &ULXSerialPort::DCD, &ULXSerialPort::setDCD);
        }
        std::this_thread::sleep_for(kPollPeriod);
    }
}

bool ULXSerialPort::delegateHandles(ULXSerialPortDelegate::Callback callback) const {
    const auto d = delegate();
    return d && (d->handles() & callback) != 0;
}

void ULXSerialPort::postToDelegate(
    ULXSerialPortDelegate::Callback callback,
    std::function<void(ULXSerialPortDelegate&, const std::shared_ptr<ULXSerialPort>&)> call) {
    if (!delegateHandles(callback)) return;
    auto self = weak_from_this().lock();
    if (!self) return;
    std::weak_ptr<ULXSerialPortDelegate> weakDelegate;
    {
        std::lock_guard lock(identityMutex_);
        weakDelegate = delegate_;
    }
    MainQueue::current().post([weakDelegate, self, call = std::move(call)] {
        if (auto d = weakDelegate.lock()) call(*d, self);
    });
}

void ULXSerialPort::notifyDelegateOfPosixError() { reportPosixError(errno, false); }

void ULXSerialPort::notifyDelegateOfPosixErrorWaitingUntilDone(bool wait) {
    reportPosixError(errno, wait);
}

// Delivers the error on the main thread: at once when already there, else
// posted, waiting for it when asked.
void ULXSerialPort::reportPosixError(int code, bool waitUntilDone) {
    if (!delegateHandles(ULXSerialPortDelegate::kDidEncounterError)) return;
    auto self = weak_from_this().lock();
    if (!self) return;
    std::weak_ptr<ULXSerialPortDelegate> weakDelegate;
    {
        std::lock_guard lock(identityMutex_);
        weakDelegate = delegate_;
    }
    auto deliver = [weakDelegate, self, error = PosixError::fromErrno(code, path())] {
        if (auto d = weakDelegate.lock()) d->serialPortDidEncounterError(self, error);
    };
    MainQueue& queue = MainQueue::current();
    if (queue.isMainThread()) {
        deliver();
    } else if (waitUntilDone) {
        queue.postAndWait(deliver);
    } else {
        queue.post(deliver);
    }
}

int ULXSerialPort::addIsOpenObserver(OpenObserver observer) {
    std::lock_guard lock(observersMutex_);
    const int token = nextObserverToken_++;
    isOpenObservers_.emplace(token, std::move(observer));
    return token;
}

void ULXSerialPort::removeIsOpenObserver(int token) {
    std::lock_guard lock(observersMutex_);
    isOpenObservers_.erase(token);
}

// Observers run outside the lock, so they may add or remove observers.
void ULXSerialPort::notifyIsOpenObservers() {
    std::map<int, OpenObserver> observers;
    {
        std::lock_guard lock(observersMutex_);
        observers = isOpenObservers_;
    }
    for (auto& [token, observer] : observers) observer(*this);
}
