#pragma once
// Helpers shared by the serial tests: a delegate that records its callbacks,
// pumping the test's main queue, a second view of a pseudo-terminal slave.

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <termios.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "platform/LoopMainQueue.h"
#include "platform/UniqueFd.h"
#include "serial/ULXSerialPort.h"

inline bool runMainUntil(const std::function<bool()>& done,
                         std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) {
    return static_cast<LoopMainQueue&>(MainQueue::current()).runUntil(done, timeout);
}

inline void runMainFor(std::chrono::milliseconds duration) {
    static_cast<LoopMainQueue&>(MainQueue::current()).runFor(duration);
}

// Records callbacks as words ("opened", "closed", "removed", "error:5") in
// arrival order; ENOTTY reports (a pseudo-terminal has no modem lines, so the
// poller reports them at every firing) are counted apart.
class RecordingDelegate : public ULXSerialPortDelegate {
public:
    explicit RecordingDelegate(unsigned handled) : handled_(handled) {}
    unsigned handles() const override { return handled_; }
    void serialPortWasOpened(const std::shared_ptr<ULXSerialPort>&) override { record("opened"); }
    void serialPortWasClosed(const std::shared_ptr<ULXSerialPort>&) override { record("closed"); }
    void serialPortWasRemovedFromSystem(const std::shared_ptr<ULXSerialPort>&) override {
        record("removed");
    }
    void serialPortDidEncounterError(const std::shared_ptr<ULXSerialPort>&,
                                     const PosixError& error) override {
        std::lock_guard lock(mutex_);
        lastError = error;
        if (error.code == ENOTTY) {
            ++noModemLineReports;
        } else {
            events.push_back("error:" + std::to_string(error.code));
        }
        offMainThread |= !MainQueue::current().isMainThread();
    }
    std::vector<std::string> recorded() const {
        std::lock_guard lock(mutex_);
        return events;
    }

    std::vector<std::string> events;
    PosixError lastError;
    int noModemLineReports = 0;
    bool offMainThread = false;

private:
    void record(const std::string& event) {
        std::lock_guard lock(mutex_);
        events.push_back(event);
        offMainThread |= !MainQueue::current().isMainThread();
    }
    unsigned handled_;
    mutable std::mutex mutex_;
};

constexpr unsigned kAllCallbacks = 0x1F;

// The attributes of a pseudo-terminal line, read or set through a descriptor
// of the test's own.
inline termios attributesOf(const std::string& slavePath) {
    UniqueFd fd(::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
    termios t{};
    ::tcgetattr(fd.get(), &t);
    return t;
}

inline void setAttributesOf(const std::string& slavePath, const termios& t) {
    UniqueFd fd(::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
    ::tcsetattr(fd.get(), TCSANOW, &t);
}

// CPU time (user + system) used by the whole process so far.
inline std::chrono::microseconds processCpuTime() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto total = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec;
    return std::chrono::seconds(total) +
           std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// Threads of this process now.
inline int threadCount() {
    int count = 0;
    DIR* dir = ::opendir("/proc/self/task");
    while (const dirent* entry = ::readdir(dir)) count += entry->d_name[0] != '.';
    ::closedir(dir);
    return count;
}
